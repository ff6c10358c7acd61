#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "platform/Dialogs.h"

namespace platform {

namespace {

// Qt reads a filter's patterns from the parentheses at its end, and its "*.*" passes only names
// with a dot, where on Windows it passes every file. So each description gets its patterns
// appended, with "*.*" as "*", and the dialogs hide that part (HideNameFilterDetails):
// "All files (*.*)|*.*" -> "All files (*.*) (*)", shown as "All files (*.*)".
QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == "*.*") pattern = "*";
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

// A message box without an icon, as the program's message boxes are.
QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, title, text, buttons, parent);
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());  // some styles give them one
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

class QtDialogs : public Dialogs {
public:
    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& initialName) override {
        const QString name = QFileDialog::getOpenFileName(
            parent, QString(), StartPath(initialName), ToQtFilter(filter), nullptr, FilterOptions);
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    std::optional<QStringList> OpenFileNames(QWidget* parent, const QString& filter,
                                             const QString& initialName) override {
        const QStringList names = QFileDialog::getOpenFileNames(
            parent, QString(), StartPath(initialName), ToQtFilter(filter), nullptr, FilterOptions);
        if (names.isEmpty()) return std::nullopt;
        return names;
    }
    std::optional<QString> FolderName(QWidget* parent, const QString& initialFolder) override {
        const QString name = QFileDialog::getExistingDirectory(parent, QString(), initialFolder);
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& initialName) override {
        // No question before replacing a file: the write goes to a temporary file that is then
        // renamed over the old one.
        const QString name = QFileDialog::getSaveFileName(
            parent, QString(), StartPath(initialName), ToQtFilter(filter), nullptr,
            FilterOptions | QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    void Message(QWidget* parent, const QString& title, const QString& text) override {
        ShowMessage(parent, title, text, QMessageBox::Ok);
    }
    Answer AskYesNo(QWidget* parent, const QString& title, const QString& text) override {
        const auto button = ShowMessage(parent, title, text, QMessageBox::Yes | QMessageBox::No);
        return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) override {
        switch (ShowMessage(parent, title, text,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return Answer::Cancel;
        }
    }
    QString Input(QWidget* parent, const QString& title, const QString& prompt,
                  const QString& initialText) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initialText, &ok);
        return ok ? text : QString();
    }
    std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) override {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, initial, parent);
        if (!ok) return std::nullopt;
        return font;
    }
    bool OpenInBrowser(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    void PumpEvents() override { QCoreApplication::processEvents(); }

private:
    static constexpr QFileDialog::Options FilterOptions = QFileDialog::HideNameFilterDetails;
    // A bare pattern such as "*.big" is not a file name; start in the working folder then.
    static QString StartPath(const QString& initialName) {
        return initialName.contains('*') ? QString() : initialName;
    }
};

QtDialogs& RealDialogs() {
    static QtDialogs dialogs;
    return dialogs;
}

Dialogs* current = nullptr;

}  // namespace

Dialogs& Ui() { return current ? *current : RealDialogs(); }

void SetUi(Dialogs* dialogs) { current = dialogs; }

}  // namespace platform
