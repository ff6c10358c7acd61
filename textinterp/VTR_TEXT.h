// The text editor window: shows an entry's bytes as text, previews it in the web browser and
// hands the edited bytes back to the window that opened it.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "archive/VTR_STR.h"
#include "textinterp/TextEntry.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class VTR_TEXT : public QWidget {
    Q_OBJECT

public:
    // Shows `data`, the bytes of entry `entry` of the host's archive; the host learns of saves
    // and of the closing.
    VTR_TEXT(VTR_STR::EditorHost& host, std::int32_t entry, std::string data,
             QWidget* parent = nullptr);
    ~VTR_TEXT() override;

    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QFrame* Frame3 = nullptr;
    QFrame* Frame4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPlainTextEdit* txt_TextWindow = nullptr;
    QPushButton* but_Font = nullptr;
    QPushButton* but_IE = nullptr;
    QPushButton* but_Close = nullptr;
    QPushButton* but_Save = nullptr;

    void Form_Load();
    void but_Font_Click();
    void but_IE_Click();
    void but_Save_Click();
    void but_Close_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void LayOutControls();
    void ConnectHandlers();
    void SetEditorFont(const QFont& font);
    // The editor's text as entry bytes; no value, after telling the user, when a character
    // cannot be stored. `consequence` ends that message.
    std::optional<std::string> CurrentBytes(const QString& consequence);
    void RemovePreview();

    VTR_STR::EditorHost& host_;
    VTR_TXTHTML::TextEntry entry_;
    // The preview file, fixed when the window opens so that Close removes the one it wrote.
    const std::string previewPath_;
    bool closed_ = false;
};
