// Handing execute strings to the running window over its socket.
#include "app/hand_off.h"

#include <iostream>

#include "shell/command_string.h"
#include "shell/execute_socket.h"

namespace brimwick::app {

namespace {

std::string lowerExtension(const std::string& path) {
    auto dot = path.rfind('.');
    auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext;
}

}  // namespace

std::string executeStringForFile(const std::string& path, const std::string& code) {
    std::string chosen = code;
    if (chosen.empty()) {
        std::string ext = lowerExtension(path);
        if (ext == ".d64")
            chosen = "ID__";
        else if (ext == ".prg" || ext == ".154")
            chosen = "L___";
        else if (ext == ".a64")
            chosen = "ASS_";
        else
            return "";
    }
    return shell::withAbsolutePath(chosen + path);
}

HandOff handToRunningWindow(const std::vector<std::string>& strings) {
    std::string socket;
    try {
        socket = shell::socketPath(false);
    } catch (const shell::SocketError&) {
        return HandOff::StartHere;
    }
    bool first = true;
    for (const std::string& text : strings) {
        // Refused whole: a cut string would name another file.
        if (std::optional<std::string> fault = shell::executeStringFault(text)) {
            std::cerr << "brimwick: " << *fault << "; nothing was handed over\n";
            return HandOff::Failed;
        }
    }
    for (const std::string& text : strings) {
        shell::DeliveryResult result = shell::sendExecuteString(socket, text);
        switch (result.outcome) {
            case shell::Delivery::Done:
                break;
            case shell::Delivery::Dropped:
                std::cerr << "brimwick: the running Brimwick dropped \"" << text << "\" ("
                          << result.detail << "); try again\n";
                return HandOff::Failed;
            case shell::Delivery::Failed:
                std::cerr << "brimwick: the running Brimwick: " << result.detail << '\n';
                return HandOff::Failed;
            case shell::Delivery::Unanswered:
                std::cerr << "brimwick: the running Brimwick gave no answer in time; \"" << text
                          << "\" may still run\n";
                return HandOff::Failed;
            case shell::Delivery::Untrusted:
            case shell::Delivery::Broken:
                std::cerr << "brimwick: " << result.detail << '\n';
                return HandOff::Failed;
            case shell::Delivery::NoInstance:
            case shell::Delivery::Stale:
                // None runs: this one takes all strings (those before were
                // taken by a window that has just gone).
                if (first) return HandOff::StartHere;
                std::cerr << "brimwick: the running Brimwick went away while taking the strings\n";
                return HandOff::Failed;
        }
        first = false;
    }
    std::cout << "done by the running Brimwick\n";
    return HandOff::Delivered;
}

}  // namespace brimwick::app
