#include "transfer/transfer_mode_decision.h"

#include <algorithm>

std::string fileExtension(std::string_view fileName)
{
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return std::string(fileName.substr(dot));
}

std::string upperCaseAsciiLetters(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::string decideTransferMode(TransferModeChoice choice, std::string_view fileName,
                               const std::vector<std::string>& asciiExtensions)
{
    if (choice == TransferModeChoice::Ascii)
        return kAsciiModeCode;
    if (choice == TransferModeChoice::Binary)
        return kBinaryModeCode;

    // An empty extension must not match an empty line of the list: a name
    // without a dot is never a text file by its extension.
    const std::string extension = upperCaseAsciiLetters(fileExtension(fileName));
    if (extension.empty())
        return kBinaryModeCode;

    const std::size_t consulted = std::min(asciiExtensions.size(), kConsultedAsciiExtensions);
    for (std::size_t i = 0; i < consulted; ++i) {
        if (upperCaseAsciiLetters(asciiExtensions[i]) == extension)
            return kAsciiModeCode;
    }
    return kBinaryModeCode;
}
