#include "transfer/transfer_mode_options.h"

#include "transfer/ascii_type_list.h"

#include <QAction>

TransferModeOptions::TransferModeOptions(const TransferModeMenu& menu,
                                         const AsciiTypeList& asciiTypes, QObject* parent)
    : QObject(parent), menu_(menu), asciiTypes_(asciiTypes)
{
    check(TransferModeChoice::AutoDetect);
}

void TransferModeOptions::chooseBinary()
{
    check(TransferModeChoice::Binary);
}

void TransferModeOptions::chooseAscii()
{
    check(TransferModeChoice::Ascii);
}

void TransferModeOptions::chooseAutoDetect()
{
    check(TransferModeChoice::AutoDetect);
}

TransferModeChoice TransferModeOptions::choice() const
{
    if (menu_.autoDetectItem->isChecked())
        return TransferModeChoice::AutoDetect;
    if (menu_.asciiItem->isChecked())
        return TransferModeChoice::Ascii;
    return TransferModeChoice::Binary;
}

std::string TransferModeOptions::decideMode(std::string_view fileName)
{
    const TransferModeChoice current = choice();
    // Auto Detect wins over any other mark that may have been left set.
    if (current == TransferModeChoice::AutoDetect)
        check(TransferModeChoice::AutoDetect);
    return decideTransferMode(current, fileName, asciiTypes_.extensions());
}

void TransferModeOptions::check(TransferModeChoice choice)
{
    menu_.binaryItem->setChecked(choice == TransferModeChoice::Binary);
    menu_.asciiItem->setChecked(choice == TransferModeChoice::Ascii);
    menu_.autoDetectItem->setChecked(choice == TransferModeChoice::AutoDetect);
}
