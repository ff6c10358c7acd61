// The CSF editor window: lists the labels of the string table of one archive entry, edits their
// values, adds, deletes and searches labels, and hands the written table back to its host.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string_view>
#include <vector>

#include "archive/VTR_STR.h"
#include "stringtable/VTR_CSF.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

class VTR_CSFWND : public QWidget {
    Q_OBJECT

public:
    // Edits the string table in `data`, the bytes of entry `entry` of the host's archive.
    VTR_CSFWND(VTR_STR::EditorHost& host, std::int32_t entry, std::string_view data,
               QWidget* parent = nullptr);

    void Form_Load();
    void lst_CSFEntries_Click();
    void but_SaveText_Click();
    void but_AddEntry_Click();
    void but_DeleteEntry_Click();
    void but_Search_Click();
    void but_Save_Click();
    // "Revert": back to the table as the window opened it or last handed it back.
    void Command1_Click();
    void but_Close_Click();
    void Form_QueryUnload();
    // The first slot not in use; the table grows by one slot when every slot is used.
    std::size_t FindFreeSlot();

    // The archive entry the table came from, to which "Save" hands it back.
    const std::int32_t CsfFileEntry;
    // The table being edited, and the editor's record of each of its labels (same slots).
    VTR_CSF::CsfTable StringTable;
    std::vector<VTR_CSF::LabelRecord> Records;
    // The slot of the label last selected in the list; "Save changes" writes to it.
    std::size_t CurrentRecord = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cmb_Flags = nullptr;
    QListWidget* lst_CSFEntries = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txt_Search = nullptr;
    QPushButton* but_Search = nullptr;
    QPushButton* but_AddEntry = nullptr;
    QPushButton* but_DeleteEntry = nullptr;
    QPushButton* but_Save = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* but_Close = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* txt_sValue = nullptr;
    QPushButton* but_SaveText = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void LayOut();
    void ConnectHandlers();
    void AddRow(const QString& text, std::size_t slot);
    static std::size_t SlotOf(const QListWidgetItem* item);
    void SelectRow(int row);
    bool SearchFrom(int row, const QString& text);
    bool RowExists(const QString& text) const;
    void SetValueEditing(bool enabled);
    void ApplyPendingEdits();
    // The table and its records are what the host has now: "Revert" goes back to them.
    void KeepAsHandedBack();
    // A change since the table was last handed back: "Revert" can undo it.
    void Changed();

    class RowSizes;

    VTR_STR::EditorHost& host_;
    VTR_CSF::CsfTable handedBack_;
    std::vector<VTR_CSF::LabelRecord> handedBackRecords_;
    RowSizes* rowSizes_ = nullptr;  // owned by the list
    bool hostNotified_ = false;
};
