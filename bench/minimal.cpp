// The least a Qt Widgets program does to show a bar like Orvalet's: one
// frameless tool window of the same size near the top right of the screen.

#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    bar.setGeometry(screenWidth - 405, 1, 298, 25);
    bar.show();
    return QApplication::exec();
}
