#include "textinterp/VTR_TEXT.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <exception>

#include "platform/Dialogs.h"
#include "platform/Fonts.h"

namespace {

const QString kTitle = QStringLiteral("Vantor");

QFont RequestedFont(const QString& family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFrame* MakeFrame(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QFont& font) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(font);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QString Describe(char32_t codePoint) {
    const QString hex = QString::number(static_cast<uint>(codePoint), 16).toUpper();
    return QStringLiteral("\"%1\" (U+%2)")
        .arg(QString::fromUcs4(&codePoint, 1), hex.rightJustified(4, QLatin1Char('0')));
}

}  // namespace

VTR_TEXT::VTR_TEXT(VTR_STR::EditorHost& host, std::int32_t entry, std::string data, QWidget* parent)
    : QWidget(parent, Qt::Window),
      host_(host),
      entry_(entry, std::move(data)),
      previewPath_(VTR_TXTHTML::TempHtmlPath()) {
    setObjectName("VTR_TEXT");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("TXT parser"));
    setFont(platform::WindowFont(QStringLiteral("Tahoma")));
    CreateControls();
    LayOutControls();
    ConnectHandlers();
    Form_Load();
}

VTR_TEXT::~VTR_TEXT() {
    // Destroyed without being closed (its owner went first): still leave no preview behind.
    if (closed_) return;
    try {
        VTR_TXTHTML::DeleteTempFile(previewPath_);
    } catch (const std::exception&) {
        // Nobody left to tell.
    }
}

void VTR_TEXT::CreateControls() {
    const QFont heading = platform::WindowFont(QStringLiteral("Tahoma"), 8.25, true);
    Frame1 = MakeFrame(this, "Frame1");
    Frame2 = MakeFrame(this, "Frame2");
    Frame3 = MakeFrame(Frame2, "Frame3");
    Frame4 = MakeFrame(this, "Frame4");
    Label2 = MakeLabel(Frame1, "Label2", QStringLiteral("Text editor"), heading);
    txt_TextWindow = new QPlainTextEdit(Frame1);
    txt_TextWindow->setObjectName("txt_TextWindow");
    SetEditorFont(RequestedFont(QStringLiteral("Terminal"), 6, true));
    txt_TextWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_TextWindow->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Label1 = MakeLabel(Frame2, "Label1", QStringLiteral("Options"), heading);
    but_Font = MakeButton(Frame3, "but_Font", QStringLiteral("Change font"));
    Label3 = MakeLabel(Frame3, "Label3", QStringLiteral("Only changes font face and size."),
                       platform::WindowFont(QStringLiteral("Small Fonts"), 6.75));
    Label3->setWordWrap(true);
    but_IE = MakeButton(Frame2, "but_IE", QStringLiteral("Load into Internet Explorer"));
    // Close comes before Save in the focus order, as in the window's list of controls.
    but_Close = MakeButton(Frame4, "but_Close", QStringLiteral("Close"));
    but_Save = MakeButton(Frame4, "but_Save", QStringLiteral("Save"));
}

// The editing area on the left; the options and the Save and Close buttons on the right.
void VTR_TEXT::LayOutControls() {
    auto* editor = new QVBoxLayout(Frame1);
    editor->addWidget(Label2);
    editor->addWidget(txt_TextWindow, 1);

    auto* font = new QVBoxLayout(Frame3);
    font->addWidget(but_Font);
    font->addWidget(Label3);

    auto* options = new QVBoxLayout(Frame2);
    options->addWidget(Label1);
    options->addWidget(Frame3);
    options->addWidget(but_IE);

    auto* commands = new QVBoxLayout(Frame4);
    commands->addWidget(but_Save);
    commands->addWidget(but_Close);

    auto* side = new QVBoxLayout;
    side->addWidget(Frame2);
    side->addStretch(1);
    side->addWidget(Frame4);

    auto* window = new QHBoxLayout(this);
    window->addWidget(Frame1, 1);
    window->addLayout(side);
    resize(760, 520);
}

void VTR_TEXT::ConnectHandlers() {
    connect(but_Font, &QPushButton::clicked, this, &VTR_TEXT::but_Font_Click);
    connect(but_IE, &QPushButton::clicked, this, &VTR_TEXT::but_IE_Click);
    connect(but_Save, &QPushButton::clicked, this, &VTR_TEXT::but_Save_Click);
    connect(but_Close, &QPushButton::clicked, this, &VTR_TEXT::but_Close_Click);
}

void VTR_TEXT::Form_Load() {
    txt_TextWindow->setPlainText(QString::fromStdU16String(entry_.DisplayText()));
}

// A cancelled dialog keeps face and size; bold goes either way.
void VTR_TEXT::but_Font_Click() {
    QFont font = txt_TextWindow->font();
    if (const std::optional<QFont> chosen = platform::Ui().ChooseFont(this, font)) {
        font.setFamily(chosen->family());
        if (chosen->pointSizeF() > 0) {
            font.setPointSizeF(chosen->pointSizeF());
        } else if (chosen->pixelSize() > 0) {
            font.setPixelSize(chosen->pixelSize());
        }
    }
    font.setBold(false);
    SetEditorFont(font);
}

// Tab stops every eight characters, as in a terminal, whatever the font.
void VTR_TEXT::SetEditorFont(const QFont& font) {
    txt_TextWindow->setFont(font);
    txt_TextWindow->setTabStopDistance(8 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
}

void VTR_TEXT::but_IE_Click() {
    const QString path = QFile::decodeName(QByteArray::fromStdString(previewPath_));
    try {
        VTR_TXTHTML::DeleteTempFile(previewPath_);
        const std::optional<std::string> bytes =
            CurrentBytes(QStringLiteral("No preview was made."));
        if (!bytes) return;
        VTR_TXTHTML::WritePreviewFile(previewPath_, *bytes);
    } catch (const std::exception& error) {
        platform::Ui().Message(this, kTitle,
                               QStringLiteral("Unable to write the preview file. Reason - ") +
                                   QString::fromStdString(error.what()));
        return;
    }
    if (!platform::Ui().OpenInBrowser(path)) {
        platform::Ui().Message(
            this, kTitle, QStringLiteral("No web browser could be started to show %1.").arg(path));
    }
}

void VTR_TEXT::but_Save_Click() {
    const std::optional<std::string> bytes = CurrentBytes(QStringLiteral("Nothing was saved."));
    if (!bytes) return;
    try {
        host_.OnlineReplace(entry_.EntryIndex, VTR_TXTHTML::WriteTextData(*bytes));
    } catch (const std::exception& error) {
        platform::Ui().Message(
            this, kTitle,
            QStringLiteral("Unable to save the file. Reason - ") + QString::fromUtf8(error.what()));
        return;
    }
    platform::Ui().Message(this, kTitle, QStringLiteral("File saved."));
}

void VTR_TEXT::but_Close_Click() { close(); }

// The title bar's close command comes here as well as "Close".
void VTR_TEXT::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        host_.EditorClosed();
        RemovePreview();
    }
    event->accept();
}

std::optional<std::string> VTR_TEXT::CurrentBytes(const QString& consequence) {
    const std::u16string text = txt_TextWindow->document()->toRawText().toStdU16String();
    std::ptrdiff_t badIndex = -1;
    std::string bytes = VTR_TXTHTML::FromDisplayText(text, entry_.Convention(), badIndex);
    if (badIndex < 0) return bytes;
    const auto index = static_cast<std::size_t>(badIndex);
    platform::Ui().Message(
        this, kTitle,
        QStringLiteral("The character %1 on line %2 cannot be stored in this file's code page. %3")
            .arg(Describe(VTR_TXTHTML::CodePointAt(text, index)),
                 QString::number(VTR_TXTHTML::LineOfIndex(text, index)), consequence));
    return std::nullopt;
}

void VTR_TEXT::RemovePreview() {
    try {
        VTR_TXTHTML::DeleteTempFile(previewPath_);
    } catch (const std::exception& error) {
        platform::Ui().Message(this, kTitle,
                               QStringLiteral("Unable to delete the preview file. Reason - ") +
                                   QString::fromStdString(error.what()));
    }
}
