// korvex: the application. It opens on the directory and the drive or alias of its last
// run; with a table file as argument (opening one from the desktop), on that table.

#include "HandlerErrors.h"
#include "MessageBoxMessages.h"
#include "Program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    korvex::Program::prepareApplication();
    try {
        korvex::Program program(korvex::Program::optionsFrom(QCoreApplication::arguments()));
        return program.run();
    } catch (...) {
        korvex::MessageBoxMessages errors;
        korvex::showError(errors, std::current_exception());
        return 1;
    }
}
