// Request 254: the C64's kernal in, the RAM copy's fixes or a refusal out.
#include "link/kernal_dump.h"

#include <exception>
#include <stdexcept>

#include "link/kernal_upload.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::link {

namespace {

// What the C64's screen shows in front of the reason.
constexpr const char* kRefusedText = "Brimwick cannot use this kernal: ";

void sendAnswer(LinkPort& link, const std::vector<std::uint8_t>& bytes) {
    link.sendByte(static_cast<int>(bytes.size()));
    for (std::uint8_t b : bytes) link.sendByte(b);
}

}  // namespace

std::vector<std::uint8_t> screenText(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (char ch : text) {
        if (static_cast<int>(out.size()) == kLongestDumpAnswer) break;
        auto c = static_cast<std::uint8_t>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 'a' + 'A');
        if (c < 0x20 || c > 0x5D) c = '?';
        out.push_back(c);
    }
    return out;
}

void answerKernalDump(LinkPort& link, const std::string& programDirectory,
                      const KernalPreparer& prepare) {
    std::vector<std::uint8_t> stock(kKernalDumpSize);
    for (std::uint8_t& b : stock) b = static_cast<std::uint8_t>(link.receiveByte());
    std::string directory =
        platform::withTrailingSeparator(programDirectory) + kKernalDirectory;
    std::string path = directory + platform::kPathSeparator + kKernalFile;
    std::string refusal;
    PreparedKernal prepared;
    try {
        if (!prepare) throw std::runtime_error("this program cannot patch kernals");
        prepared = prepare(stock, programDirectory);
        if (static_cast<int>(prepared.ramFixes.size()) > kLongestDumpAnswer)
            throw std::runtime_error("the RAM copy needs too many changes");
        platform::createDirectory(directory);
        platform::writeFileAtomically(path, prepared.image.data(), prepared.image.size());
    } catch (const platform::FileError& e) {
        refusal = e.message();
    } catch (const std::exception& e) {
        refusal = e.what();
    }
    if (!refusal.empty()) {
        platform::traceLog() << "\n Kernal dump refused: " << refusal;
        sendAnswer(link, screenText(kRefusedText + refusal));
        return link.declineRequest();
    }
    platform::traceLog() << "\n Kernal dump patched into " << path;
    sendAnswer(link, prepared.ramFixes);
    link.finishRequest();
}

}  // namespace brimwick::link
