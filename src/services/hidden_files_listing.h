#pragma once

#include <cstdint>
#include <map>
#include <string>

// Listings ask for hidden files too ("LIST -a"): most servers leave out
// names that begin with "." from a plain LIST, so ".htaccess" would never
// show and a folder holding one could not be deleted. Some servers do not
// take the option: they refuse it, or take "-a" for a file name and list
// nothing. Such a host is listed again at once with plain LIST, and gets
// plain LIST for the rest of the run.
//
// This class only decides; the session channel sends.
class HiddenFilesListing {
public:
    // What the channel does when a listing has ended.
    enum class Next {
        Report,     // hand the ending to whoever asked
        ListPlain,  // list the same directory again with plain LIST
    };

    // The argument of the next LIST to `host` ("-a" or nothing); remembers
    // that a listing of `host` with it is under way.
    std::string startListing(const std::string& host);

    // The listing of `host` ended with `error` (0 = done); `listedNothing`
    // says the listing held no line beside a "total" line.
    Next listingEnded(const std::string& host, std::uint16_t error, bool listedNothing);

    // The last ending made the host one that gets plain LIST from now on.
    bool justLearntRefusal() const { return justLearntRefusal_; }

    // A request other than the listing ended it (an abort, a lost session).
    void forgetListing() { attempt_ = Attempt::None; }

private:
    enum class Support { Unknown, Lists, Refuses };
    enum class Attempt {
        None,
        WithHidden,
        // Plain LIST after the option was refused, or after it listed
        // nothing: it tells whether the option or the folder was at fault.
        PlainAfterRefusal,
        PlainAfterNothing,
    };

    std::map<std::string, Support> hosts_;
    Attempt attempt_ = Attempt::None;
    bool justLearntRefusal_ = false;
};
