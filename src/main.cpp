#include "ui/thovedform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Thovedform window;
    window.show();
    return app.exec();
}
