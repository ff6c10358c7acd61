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

// "BIG files (*.big)|*.big|All files (*.*)|*.*" -> "BIG files (*.big);;All files (*.*)".
// The description already names its pattern, so only the descriptions are kept.
QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList descriptions;
    for (int i = 0; i + 1 < parts.size(); i += 2) descriptions << parts[i];
    return descriptions.join(";;");
}

class QtDialogs : public Dialogs {
public:
    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& initialName) override {
        const QString name = QFileDialog::getOpenFileName(parent, QString(), StartPath(initialName),
                                                          ToQtFilter(filter));
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& initialName) override {
        const QString name = QFileDialog::getSaveFileName(parent, QString(), StartPath(initialName),
                                                          ToQtFilter(filter));
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    void Message(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
    }
    Answer AskYesNo(QWidget* parent, const QString& title, const QString& text) override {
        const auto button = QMessageBox::question(parent, title, text,
                                                  QMessageBox::Yes | QMessageBox::No);
        return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    QString Input(QWidget* parent, const QString& title, const QString& prompt) override {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal,
                                                   QString(), &ok);
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
