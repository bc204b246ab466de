#pragma once

#include <array>
#include <cstddef>
#include <string>

// The eight lines of one site in the site list file, in file order.
enum class SiteField : std::size_t {
    Name = 0,
    Host,
    Login,
    Password,
    Port,
    LocalDirectory,
    RemoteDirectory,
    Passive,  // "1" passive, "0" active
};

inline constexpr std::size_t kLinesPerSite = 8;

struct SiteRecord {
    std::array<std::string, kLinesPerSite> lines;

    std::string& operator[](SiteField field) { return lines[static_cast<std::size_t>(field)]; }
    const std::string& operator[](SiteField field) const
    {
        return lines[static_cast<std::size_t>(field)];
    }
    bool passive() const { return (*this)[SiteField::Passive] == "1"; }

    friend bool operator==(const SiteRecord&, const SiteRecord&) = default;
};
