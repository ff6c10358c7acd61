// The user-interaction seam: file, font, message and input dialogs, the web browser and the
// event pump. Windows call Ui(); tests install ScriptedDialogs with the user's answers.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace platform {

enum class Answer { Yes, No, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // `filter` is in the "Description|pattern|Description|pattern" form. Returns no value on
    // cancel.
    virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                                const QString& initialName) = 0;
    // An open dialog in which several files may be chosen.
    virtual std::optional<QStringList> OpenFileNames(QWidget* parent, const QString& filter,
                                                     const QString& initialName) = 0;
    // A dialog that chooses a folder. Returns no value on cancel.
    virtual std::optional<QString> FolderName(QWidget* parent, const QString& initialFolder) = 0;
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                                const QString& initialName) = 0;
    // A message box with an OK button only.
    virtual void Message(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual Answer AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message box with Yes, No and Cancel; closing it is Cancel.
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // An input box holding `initialText`; cancel gives an empty text.
    virtual QString Input(QWidget* parent, const QString& title, const QString& prompt,
                          const QString& initialText = QString()) = 0;
    // Returns the chosen font, or no value when the user cancels.
    virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) = 0;
    // Opens a local file in the default web browser; false when no browser could be started.
    virtual bool OpenInBrowser(const QString& path) = 0;
    // Lets the window system process pending events once.
    virtual void PumpEvents() = 0;
};

Dialogs& Ui();
// Installs `dialogs` (not owned); nullptr goes back to the real dialogs.
void SetUi(Dialogs* dialogs);

}  // namespace platform
