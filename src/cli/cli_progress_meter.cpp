#include "cli/cli_progress_meter.h"

#include "core/amount_text.h"

#include <cstdio>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

} // namespace

CliProgressMeter::CliProgressMeter(std::FILE* terminal, std::int64_t total, std::int64_t offset)
    : terminal_(terminal), total_(total), offset_(offset), start_(Clock::now())
{
}

std::string CliProgressMeter::line(std::int64_t done, std::int64_t total, double bytesPerSecond)
{
    std::string text = byteAmountText(static_cast<double>(done), ByteUnits::Binary);
    if (total > 0) {
        text += " of " + byteAmountText(static_cast<double>(total), ByteUnits::Binary);
        char percent[16];
        std::snprintf(percent, sizeof percent, " %3d%%",
                      static_cast<int>(done >= total ? 100 : done * 100 / total));
        text += percent;
    }
    text += "  " + byteAmountText(bytesPerSecond, ByteUnits::Binary) + "/s";
    if (total > 0 && bytesPerSecond > 0 && done < total)
        text += "  " + durationText(static_cast<std::int64_t>((total - done) / bytesPerSecond)) + " left";
    return text;
}

void CliProgressMeter::update(std::int64_t position, Clock::time_point now)
{
    // Also after a clear: a run printing a line per small file would
    // otherwise redraw for every one of them.
    if (lastDraw_ != Clock::time_point{} && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(position - offset_) / seconds : 0.0;
    // \r and "erase to end of line": a shorter line leaves nothing behind.
    std::fprintf(terminal_, "\r%s%s\033[K", prefix_.c_str(), line(position, total_, rate).c_str());
    std::fflush(terminal_);
    drawn_ = true;
}

void CliProgressMeter::clear()
{
    if (!drawn_)
        return;
    std::fprintf(terminal_, "\r\033[K");
    std::fflush(terminal_);
    drawn_ = false;
}
