#include "platform/ScriptedDialogs.h"

#include <QCoreApplication>

namespace platform {

namespace {
template <typename T>
T Pop(std::deque<T>& queue, const char* what) {
    if (queue.empty()) throw std::logic_error(std::string("unscripted dialog: ") + what);
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
}  // namespace

std::optional<QString> ScriptedDialogs::NextFile(const QString& filter,
                                                 const QString& initialName) {
    fileDialogs.push_back({filter, initialName});
    return Pop(fileAnswers, "file dialog");
}

std::optional<QString> ScriptedDialogs::OpenFileName(QWidget*, const QString& filter,
                                                     const QString& initialName) {
    return NextFile(filter, initialName);
}

std::optional<QStringList> ScriptedDialogs::OpenFileNames(QWidget*, const QString& filter,
                                                          const QString& initialName) {
    const std::optional<QString> answer = NextFile(filter, initialName);
    if (!answer) return std::nullopt;
    return answer->split('\n');
}

std::optional<QString> ScriptedDialogs::FolderName(QWidget*, const QString& initialFolder) {
    return NextFile(QString(), initialFolder);
}

std::optional<QString> ScriptedDialogs::SaveFileName(QWidget*, const QString& filter,
                                                     const QString& initialName) {
    return NextFile(filter, initialName);
}

void ScriptedDialogs::Message(QWidget*, const QString& title, const QString& text) {
    messages.push_back({title, text});
}

Answer ScriptedDialogs::AskYesNo(QWidget*, const QString& title, const QString& text) {
    messages.push_back({title, text});
    return Pop(yesNoAnswers, "yes/no question");
}

Answer ScriptedDialogs::AskYesNoCancel(QWidget*, const QString& title, const QString& text) {
    messages.push_back({title, text});
    return Pop(yesNoAnswers, "yes/no/cancel question");
}

QString ScriptedDialogs::Input(QWidget*, const QString&, const QString& prompt,
                               const QString& initialText) {
    inputPrompts.push_back(prompt);
    inputInitials.push_back(initialText);
    return Pop(inputAnswers, "input box");
}

std::optional<QFont> ScriptedDialogs::ChooseFont(QWidget*, const QFont& initial) {
    fontInitials.push_back(initial);
    return Pop(fontAnswers, "font dialog");
}

bool ScriptedDialogs::OpenInBrowser(const QString& path) {
    browserPaths.push_back(path);
    return browserStarts;
}

void ScriptedDialogs::PumpEvents() {
    ++pumps;
    if (onPump) onPump();
    QCoreApplication::processEvents();
}

}  // namespace platform
