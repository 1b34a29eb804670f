#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("Zarvon"));
    window.setWindowTitle(QStringLiteral("Zarvon"));
    window.resize(400, 200);
    window.show();
    return application.exec();
}
