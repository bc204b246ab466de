#include "ui/thovedform.h"

Thovedform::Thovedform(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Tavlin FTP 2.1"));
    resize(800, 600);
}
