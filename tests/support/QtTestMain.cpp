// main() for the widget tests: one QApplication for the whole run, headless by default.
#include <gtest/gtest.h>

#include <QApplication>

static QtMessageHandler previousHandler = nullptr;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform notes for every window shown that it cannot raise or resize it; the
    // long run shows thousands of windows, so those notes are dropped and everything else kept.
    previousHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith("This plugin does not support"))
                previousHandler(type, context, text);
        });
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
