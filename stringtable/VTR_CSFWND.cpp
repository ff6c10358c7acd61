#include "stringtable/VTR_CSFWND.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <exception>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "stringtable/VTR_CSF.h"

namespace {

const QString kTitle = QStringLiteral("Vantor");
const QString kSaveCaption = QStringLiteral("Save");
const QString kSavingCaption = QStringLiteral("Saving...");
const char16_t kNewValue[] = u"(default text)";
const char kNewStringTag[] = "RTS";
constexpr int kSlotRole = Qt::UserRole;

// Rows sort alphabetically without regard to case; names equal but for case keep a fixed order.
bool LabelLess(const QString& left, const QString& right) {
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left < right;
}

class LabelItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        return LabelLess(text(), other.text());
    }
};

QString LabelText(const std::string& label) {
    return QString::fromStdU16String(platform::BytesToText(label));
}

// The one conversion of a value's line breaks on its way to the text box and back: the box
// keeps every line break (LF, CR LF or a lone CR) as a paragraph break, which an edited value
// stores as LF, as the format has it. Values that are not edited keep their units as read.
QString ValueForDisplay(const std::u16string& value) { return QString::fromStdU16String(value); }

std::u16string ValueFromEditor(const QPlainTextEdit& editor) {
    QString raw = editor.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QChar(u'\n'));
    return raw.toStdU16String();
}

QLabel* Heading(const QString& caption, const char* name) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setFont(platform::WindowFont(QStringLiteral("Tahoma"), 8.25, true));
    return label;
}

QPushButton* Button(const QString& caption, const char* name) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    return button;
}

QFrame* Group(const char* name) {
    auto* frame = new QFrame;
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

}  // namespace

// The rows share one size (uniform item sizes keep a long table quick to open), and Qt takes it
// from a single row. So the delegate widens it to the widest label added, and the list scrolls
// sideways to show any label whole. A label's width is the sum of its characters' advances,
// each measured once: measuring 40,000 labels whole would take a quarter of a second, and the
// sum differs from it only by kerning, a pixel or two.
class VTR_CSFWND::RowSizes : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void Fit(const QString& text, const QFontMetrics& metrics) {
        int width = 0;
        for (const QChar ch : text) {
            const char16_t code = ch.unicode();
            if (code >= advances_.size()) {
                width += metrics.horizontalAdvance(ch);
                continue;
            }
            if (advances_[code] < 0) advances_[code] = metrics.horizontalAdvance(ch);
            width += advances_[code];
        }
        widest_ = std::max(widest_, width + 2 * kTextMargin);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {std::max(size.width(), widest_), size.height()};
    }

private:
    static constexpr int kTextMargin = 6;
    std::array<int, 256> advances_ = MakeUnmeasured();
    int widest_ = 0;

    static std::array<int, 256> MakeUnmeasured() {
        std::array<int, 256> values;
        values.fill(-1);
        return values;
    }
};

VTR_CSFWND::VTR_CSFWND(VTR_STR::EditorHost& host, std::int32_t entry, std::string_view data,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      CsfFileEntry(entry),
      StringTable(VTR_CSF::ReadStringTable(data)),
      Records(StringTable.Labels.size()),
      host_(host) {
    setObjectName("VTR_CSFWND");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("CSF interpreter"));
    setFont(platform::WindowFont(QStringLiteral("Tahoma")));
    BuildControls();
    LayOut();
    ConnectHandlers();
    resize(760, 460);
    KeepAsHandedBack();
    Form_Load();
}

void VTR_CSFWND::BuildControls() {
    Label1 = Heading(QStringLiteral("String entries"), "Label1");
    Label4 = new QLabel(QStringLiteral("String sections:"));
    Label4->setObjectName("Label4");
    cmb_Flags = new QComboBox;
    cmb_Flags->setObjectName("cmb_Flags");
    lst_CSFEntries = new QListWidget;
    lst_CSFEntries->setObjectName("lst_CSFEntries");
    lst_CSFEntries->setUniformItemSizes(true);
    rowSizes_ = new RowSizes(lst_CSFEntries);
    lst_CSFEntries->setItemDelegate(rowSizes_);
    // Long labels are shown whole, with a horizontal scroll bar: labels often share a long
    // prefix, and cut with "..." they would look alike.
    lst_CSFEntries->setTextElideMode(Qt::ElideNone);
    lst_CSFEntries->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lst_CSFEntries->setSelectionMode(QAbstractItemView::SingleSelection);

    Label3 = Heading(QStringLiteral("Options"), "Label3");
    txt_Search = new QLineEdit;
    txt_Search->setObjectName("txt_Search");
    but_Search = Button(QStringLiteral("Search down list for text..."), "but_Search");
    but_AddEntry = Button(QStringLiteral("Add entry"), "but_AddEntry");
    but_DeleteEntry = Button(QStringLiteral("Delete entry"), "but_DeleteEntry");
    but_Save = Button(kSaveCaption, "but_Save");
    Command1 = Button(QStringLiteral("Revert"), "Command1");
    Command1->setEnabled(false);
    but_Close = Button(QStringLiteral("Close"), "but_Close");

    Label2 = Heading(QStringLiteral("String value"), "Label2");
    txt_sValue = new QPlainTextEdit;
    txt_sValue->setObjectName("txt_sValue");
    txt_sValue->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    but_SaveText = Button(QStringLiteral("Save changes"), "but_SaveText");
    SetValueEditing(false);
}

void VTR_CSFWND::LayOut() {
    QFrame* entries = Group("Frame1");
    auto* entriesLayout = new QVBoxLayout(entries);
    entriesLayout->addWidget(Label1);
    auto* sections = new QHBoxLayout;
    sections->addWidget(Label4);
    sections->addWidget(cmb_Flags, 1);
    entriesLayout->addLayout(sections);
    entriesLayout->addWidget(lst_CSFEntries, 1);

    QFrame* options = Group("Frame2");
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(Label3);
    optionsLayout->addWidget(txt_Search);
    optionsLayout->addWidget(but_Search);
    optionsLayout->addSpacing(12);
    optionsLayout->addWidget(but_AddEntry);
    optionsLayout->addWidget(but_DeleteEntry);
    optionsLayout->addSpacing(12);
    optionsLayout->addWidget(but_Save);
    optionsLayout->addWidget(Command1);
    optionsLayout->addStretch(1);
    optionsLayout->addWidget(but_Close);

    QFrame* value = Group("Frame3");
    auto* valueLayout = new QVBoxLayout(value);
    valueLayout->addWidget(Label2);
    valueLayout->addWidget(txt_sValue, 1);
    valueLayout->addWidget(but_SaveText, 0, Qt::AlignRight);

    auto* window = new QHBoxLayout(this);
    window->addWidget(entries, 1);
    window->addWidget(options, 0);
    window->addWidget(value, 1);
}

void VTR_CSFWND::ConnectHandlers() {
    connect(lst_CSFEntries, &QListWidget::itemSelectionChanged, this, [this] {
        if (lst_CSFEntries->currentItem() && lst_CSFEntries->currentItem()->isSelected()) {
            lst_CSFEntries_Click();
        }
    });
    connect(but_SaveText, &QPushButton::clicked, this, &VTR_CSFWND::but_SaveText_Click);
    connect(but_AddEntry, &QPushButton::clicked, this, &VTR_CSFWND::but_AddEntry_Click);
    connect(but_DeleteEntry, &QPushButton::clicked, this, &VTR_CSFWND::but_DeleteEntry_Click);
    connect(but_Search, &QPushButton::clicked, this, &VTR_CSFWND::but_Search_Click);
    connect(txt_Search, &QLineEdit::returnPressed, this, &VTR_CSFWND::but_Search_Click);
    connect(but_Save, &QPushButton::clicked, this, &VTR_CSFWND::but_Save_Click);
    connect(Command1, &QPushButton::clicked, this, &VTR_CSFWND::Command1_Click);
    connect(but_Close, &QPushButton::clicked, this, &VTR_CSFWND::but_Close_Click);
}

void VTR_CSFWND::Form_Load() {
    CurrentRecord = 0;
    std::vector<std::pair<QString, std::size_t>> rows;
    rows.reserve(Records.size());
    for (std::size_t slot = 0; slot < Records.size(); ++slot) {
        if (Records[slot].InUse) rows.emplace_back(LabelText(StringTable.Labels[slot].Name), slot);
    }
    // Sorting once here and adding the rows in order is far quicker than a sorted insert each.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return LabelLess(a.first, b.first); });
    lst_CSFEntries->setUpdatesEnabled(false);
    lst_CSFEntries->setSortingEnabled(false);
    lst_CSFEntries->clear();
    for (const auto& [text, slot] : rows) AddRow(text, slot);
    lst_CSFEntries->setSortingEnabled(true);
    lst_CSFEntries->setUpdatesEnabled(true);

    cmb_Flags->clear();
    for (const VTR_CSF::SectionTypeInfo& type : VTR_CSF::SectionTypes) {
        if (type.Code.empty()) break;
        cmb_Flags->addItem(LabelText(std::string(type.Description)));
    }
    cmb_Flags->setCurrentIndex(cmb_Flags->count() > 0 ? 0 : -1);
}

void VTR_CSFWND::lst_CSFEntries_Click() {
    const QListWidgetItem* item = lst_CSFEntries->currentItem();
    if (!item || !item->isSelected()) return;
    SetValueEditing(true);
    const std::size_t slot = SlotOf(item);
    const VTR_CSF::LabelRecord& record = Records[slot];
    txt_sValue->setPlainText(
        ValueForDisplay(record.Edited ? record.PendingValue : StringTable.Labels[slot].Value));
    CurrentRecord = slot;
}

void VTR_CSFWND::but_SaveText_Click() {
    // Disabled while no label is selected, so an edit never lands on a deleted slot.
    if (!but_SaveText->isEnabled()) return;
    if (CurrentRecord >= Records.size()) return;
    VTR_CSF::LabelRecord& record = Records[CurrentRecord];
    record.PendingValue = ValueFromEditor(*txt_sValue);
    record.Edited = true;
    Changed();
}

void VTR_CSFWND::but_AddEntry_Click() {
    const QString answer =
        platform::Ui().Input(this, kTitle, QStringLiteral("Enter the label for the new string:"));
    // An empty answer (also a cancel) does nothing, even when a nameless label is listed.
    if (answer.isEmpty()) return;
    if (RowExists(answer)) {
        platform::Ui().Message(
            this, kTitle,
            QStringLiteral("A label with that name already exists. Please choose another name."));
        return;
    }
    std::ptrdiff_t badIndex = -1;
    std::string label = platform::TextToBytes(answer.toStdU16String(), badIndex);
    if (badIndex >= 0) {
        const int length = answer.at(badIndex).isHighSurrogate() ? 2 : 1;
        platform::Ui().Message(this, kTitle,
                               QStringLiteral("The character \"%1\" cannot be used in a label "
                                              "name. Please choose another name.")
                                   .arg(answer.mid(badIndex, length)));
        return;
    }
    const std::size_t slot = FindFreeSlot();
    AddRow(answer, slot);
    VTR_CSF::CsfLabel& added = StringTable.Labels[slot];
    added = VTR_CSF::CsfLabel{};
    added.Name = std::move(label);
    added.Value = kNewValue;
    added.StringTag = kNewStringTag;
    Records[slot] = VTR_CSF::LabelRecord{};
    Changed();
}

void VTR_CSFWND::but_DeleteEntry_Click() {
    QListWidgetItem* item = lst_CSFEntries->currentItem();
    if (!item || !item->isSelected()) return;
    const std::size_t slot = SlotOf(item);
    StringTable.Labels[slot] = VTR_CSF::CsfLabel{};
    Records[slot] = VTR_CSF::LabelRecord{};
    Records[slot].InUse = false;
    {
        const QSignalBlocker quiet(lst_CSFEntries);
        delete lst_CSFEntries->takeItem(lst_CSFEntries->row(item));
        lst_CSFEntries->setCurrentRow(-1);
    }
    txt_sValue->clear();
    SetValueEditing(false);
    Changed();
}

void VTR_CSFWND::but_Search_Click() {
    const QString text = txt_Search->text();
    if (text.isEmpty()) return;
    int start = 0;
    const QListWidgetItem* selected = lst_CSFEntries->currentItem();
    if (selected && selected->isSelected()) {
        const int row = lst_CSFEntries->row(selected);
        start = row == lst_CSFEntries->count() - 1 ? 0 : row + 1;
    }
    while (!SearchFrom(start, text)) {
        const platform::Answer again = platform::Ui().AskYesNo(
            this, kTitle,
            QStringLiteral("No results found. Would you like to redo the search from the top of "
                           "the list?"));
        if (again == platform::Answer::No || lst_CSFEntries->count() == 0) return;
        SelectRow(0);
        start = 0;
    }
}

void VTR_CSFWND::but_Save_Click() {
    but_Save->setEnabled(false);
    but_Save->setText(kSavingCaption);
    but_Save->repaint();
    ApplyPendingEdits();
    QString failure;
    try {
        const std::string bytes = VTR_CSF::WriteStringTable(StringTable, Records);
        host_.OnlineReplace(CsfFileEntry, bytes);
    } catch (const std::exception& error) {
        failure = QString::fromStdString(error.what());
    }
    if (failure.isEmpty()) KeepAsHandedBack();
    but_Save->setEnabled(true);
    but_Save->setText(kSaveCaption);
    platform::Ui().Message(this, kTitle,
                           failure.isEmpty() ? QStringLiteral("CSF file saved.") : failure);
}

void VTR_CSFWND::Command1_Click() {
    if (!Command1->isEnabled()) return;
    StringTable = handedBack_;
    Records = handedBackRecords_;
    txt_sValue->clear();
    SetValueEditing(false);
    Form_Load();
    Command1->setEnabled(false);
    host_.LogEditorEvent("String table reverted.", VTR_CSF::CsfInitialise().Name);
}

void VTR_CSFWND::KeepAsHandedBack() {
    handedBack_ = StringTable;
    handedBackRecords_ = Records;
    Command1->setEnabled(false);
}

void VTR_CSFWND::Changed() { Command1->setEnabled(true); }

void VTR_CSFWND::but_Close_Click() { close(); }

void VTR_CSFWND::Form_QueryUnload() {
    if (hostNotified_) return;
    hostNotified_ = true;
    host_.EditorClosed();
}

std::size_t VTR_CSFWND::FindFreeSlot() {
    const auto free =
        std::find_if(Records.begin(), Records.end(),
                     [](const VTR_CSF::LabelRecord& record) { return !record.InUse; });
    if (free != Records.end()) return static_cast<std::size_t>(free - Records.begin());
    StringTable.Labels.emplace_back();
    Records.emplace_back();
    return Records.size() - 1;
}

void VTR_CSFWND::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void VTR_CSFWND::AddRow(const QString& text, std::size_t slot) {
    auto* item = new LabelItem(text);
    item->setData(kSlotRole, QVariant::fromValue<qulonglong>(slot));
    rowSizes_->Fit(text, lst_CSFEntries->fontMetrics());
    lst_CSFEntries->addItem(item);
}

std::size_t VTR_CSFWND::SlotOf(const QListWidgetItem* item) {
    return static_cast<std::size_t>(item->data(kSlotRole).toULongLong());
}

void VTR_CSFWND::SelectRow(int row) {
    {
        const QSignalBlocker quiet(lst_CSFEntries);
        lst_CSFEntries->setCurrentRow(row);
    }
    lst_CSFEntries->scrollToItem(lst_CSFEntries->item(row));
    lst_CSFEntries_Click();
}

bool VTR_CSFWND::SearchFrom(int row, const QString& text) {
    for (int r = row; r < lst_CSFEntries->count(); ++r) {
        const std::u16string& value = StringTable.Labels[SlotOf(lst_CSFEntries->item(r))].Value;
        if (QStringView(value.data(), static_cast<qsizetype>(value.size()))
                .contains(text, Qt::CaseInsensitive)) {
            SelectRow(r);
            return true;
        }
    }
    return false;
}

bool VTR_CSFWND::RowExists(const QString& text) const {
    for (int r = 0; r < lst_CSFEntries->count(); ++r) {
        if (lst_CSFEntries->item(r)->text() == text) return true;
    }
    return false;
}

void VTR_CSFWND::SetValueEditing(bool enabled) {
    txt_sValue->setEnabled(enabled);
    but_SaveText->setEnabled(enabled);
}

void VTR_CSFWND::ApplyPendingEdits() {
    for (std::size_t slot = 0; slot < Records.size(); ++slot) {
        VTR_CSF::LabelRecord& record = Records[slot];
        if (!record.InUse || !record.Edited) continue;
        VTR_CSF::CsfLabel& label = StringTable.Labels[slot];
        label.Value = std::move(record.PendingValue);
        record.PendingValue.clear();
        record.Edited = false;
        // Only a value emptied here loses its string; one read empty keeps it.
        if (label.Value.empty()) label.HasString = false;
    }
}
