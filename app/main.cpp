#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("ZOZEVERE");
    QLabel window("ZOZEVERE");
    window.setWindowTitle("ZOZEVERE");
    window.resize(320, 120);
    window.show();
    return app.exec();
}
