// An editor window under test, hosted by the fixture, which records what the window tells it.
#pragma once

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "archive/VTR_STR.h"
#include "platform/ScriptedDialogs.h"

namespace testsupport {

template <typename Window>
class EditorFixture : public testing::Test, public VTR_STR::EditorHost {
protected:
    void OnlineReplace(const std::int32_t& entry, const std::string& data) override {
        replaced.emplace_back(entry, data);
    }
    void EditorClosed() override { ++closed; }
    void LogEditorEvent(const std::string& message, const std::string& source) override {
        logged.push_back(source + ": " + message);
    }
    void TearDown() override { delete window.data(); }
    void Click(const char* name) {
        QTest::mouseClick(window->template findChild<QPushButton*>(name), Qt::LeftButton);
    }
    // Clicks "Save", which confirms with `message`; the bytes the host was given last.
    std::string Saved(const QString& message) {
        Click("but_Save");
        EXPECT_EQ(dialogs->messages.empty() ? "" : dialogs->messages.back().text, message);
        return replaced.empty() ? "" : replaced.back().second;
    }
    // "Close", then the window system's close while the window is closing: the host hears of
    // it once and the window goes.
    void ExpectClosingTellsTheHostOnce() {
        Click("but_Close");
        QCloseEvent again;
        if (window) QCoreApplication::sendEvent(window, &again);
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
    }

    platform::ScopedScriptedDialogs dialogs;
    std::vector<std::pair<std::int32_t, std::string>> replaced;
    int closed = 0;
    std::vector<std::string> logged;  // "source: message"
    QPointer<Window> window;
};

}  // namespace testsupport
