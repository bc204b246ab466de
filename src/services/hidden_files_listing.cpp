#include "services/hidden_files_listing.h"

namespace {

// Replies with which servers turn down an option they do not know: as an
// unknown argument (500, 501) or as a file that does not exist (450, 550).
bool refusesOption(std::uint16_t error)
{
    return error == 450 || error == 500 || error == 501 || error == 550;
}

} // namespace

std::string HiddenFilesListing::startListing(const std::string& host)
{
    justLearntRefusal_ = false;
    const auto known = hosts_.find(host);
    if (known != hosts_.end() && known->second == Support::Refuses) {
        attempt_ = Attempt::None;
        return {};
    }
    attempt_ = Attempt::WithHidden;
    return "-a";
}

HiddenFilesListing::Next HiddenFilesListing::listingEnded(const std::string& host, std::uint16_t error,
                                                          bool listedNothing)
{
    justLearntRefusal_ = false;
    const Attempt attempt = attempt_;
    attempt_ = Attempt::None;
    Support& support = hosts_[host];
    switch (attempt) {
    case Attempt::None:
        return Next::Report;
    case Attempt::WithHidden:
        if (error != 0) {
            if (!refusesOption(error))
                return Next::Report;
            attempt_ = Attempt::PlainAfterRefusal;
            return Next::ListPlain;
        }
        if (!listedNothing) {
            support = Support::Lists;
            return Next::Report;
        }
        // An empty folder lists nothing either way; only a host that has
        // not yet shown that it takes the option is asked again.
        if (support == Support::Lists)
            return Next::Report;
        attempt_ = Attempt::PlainAfterNothing;
        return Next::ListPlain;
    case Attempt::PlainAfterRefusal:
    case Attempt::PlainAfterNothing:
        // Plain LIST failing too, or listing nothing as well, says nothing
        // against the option: the folder itself is missing, closed or empty.
        if (error == 0 && (attempt == Attempt::PlainAfterRefusal || !listedNothing)) {
            support = Support::Refuses;
            justLearntRefusal_ = true;
        }
        return Next::Report;
    }
    return Next::Report;
}
