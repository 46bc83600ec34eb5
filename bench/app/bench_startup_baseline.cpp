// The baseline of the start-up benchmark: Qt's own start and an empty main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("baseline"));
    window.show();
    return application.exec();
}
