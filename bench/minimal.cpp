// The least a Qt Widgets program does to show a bar like Orvalet's: one frameless
// tool window of the same size near the top right of the screen. With an argument
// it also shows one line of text that has a tooltip.

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    bar.setGeometry(QGuiApplication::primaryScreen()->geometry().width() - 405, 1, 298, 25);
    bar.setAttribute(Qt::WA_AlwaysShowToolTips, argc > 1);
    if (argc > 1)
        (new QLabel(QStringLiteral("Play"), &bar))->setToolTip(QStringLiteral("Play"));
    bar.show();
    return QApplication::exec();
}
