// A Dialogs double for headless runs: answers come from queues the test fills, and every
// message shown is recorded. An unexpected dialog (empty queue) throws, so a test never hangs.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace platform {

struct ShownMessage {
    QString title;
    QString text;
};

struct DialogCall {
    QString filter;
    QString initialName;
};

class ScriptedDialogs : public Dialogs {
public:
    // File and folder dialogs: a null optional scripts a cancel. A dialog that chooses several
    // files takes one answer with a line per file.
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<Answer> yesNoAnswers;  // also for the questions with Cancel
    std::deque<QString> inputAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    bool browserStarts = true;

    std::vector<ShownMessage> messages;   // OK boxes and Yes/No questions, in order
    std::vector<DialogCall> fileDialogs;  // every file dialog shown
    std::vector<QString> inputPrompts;
    std::vector<QString> inputInitials;  // the text each input box held
    std::vector<QFont> fontInitials;
    std::vector<QString> browserPaths;
    int pumps = 0;
    std::function<void()> onPump;  // run at every pump, before the events are processed

    std::optional<QString> OpenFileName(QWidget*, const QString& filter,
                                        const QString& initialName) override;
    std::optional<QStringList> OpenFileNames(QWidget*, const QString& filter,
                                             const QString& initialName) override;
    std::optional<QString> FolderName(QWidget*, const QString& initialFolder) override;
    std::optional<QString> SaveFileName(QWidget*, const QString& filter,
                                        const QString& initialName) override;
    void Message(QWidget*, const QString& title, const QString& text) override;
    Answer AskYesNo(QWidget*, const QString& title, const QString& text) override;
    Answer AskYesNoCancel(QWidget*, const QString& title, const QString& text) override;
    QString Input(QWidget*, const QString& title, const QString& prompt,
                  const QString& initialText) override;
    std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override;
    bool OpenInBrowser(const QString& path) override;
    void PumpEvents() override;

private:
    std::optional<QString> NextFile(const QString& filter, const QString& initialName);
};

// Installs a ScriptedDialogs for the lifetime of the object and restores the real ones after.
class ScopedScriptedDialogs {
public:
    ScopedScriptedDialogs() { SetUi(&dialogs); }
    ~ScopedScriptedDialogs() { SetUi(nullptr); }
    ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
    ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;
    ScriptedDialogs* operator->() { return &dialogs; }
    ScriptedDialogs dialogs;
};

}  // namespace platform
