// The least a Qt Widgets program does to show a bar like Orvalet's: one
// frameless tool window of the same size near the top right of the screen.
// Built with BENCH_TEXT it also shows one line of text with a tooltip.

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    bar.setGeometry(screenWidth - 405, 1, 298, 25);
#ifdef BENCH_TEXT
    bar.setAttribute(Qt::WA_AlwaysShowToolTips);
    QLabel label(QStringLiteral("Play"), &bar);
    label.setGeometry(bar.rect());
    label.setToolTip(QStringLiteral("Play"));
#endif
    bar.show();
    return QApplication::exec();
}
