// Starts Vantor: one application object and the main window.
#include <QApplication>

#include "mainwindow/VTR_MAIN.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    VTR_MAIN window;
    window.show();
    return application.exec();
}
