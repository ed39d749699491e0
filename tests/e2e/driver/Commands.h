// The commands of the driver. Each runs against the current target window (a dialog found by
// wait-window or use-owned) and answers with lines of output or an error.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class Driver {
public:
    // words[0] is the command. On success the lines it prints are in `output`; otherwise the
    // reason is in `error`.
    bool Run(const std::vector<std::string>& words, std::vector<std::string>& output, std::string& error);

    // The targets: the last one is current; use-owned pushes, use-previous and wait-gone pop.
    std::vector<HWND> m_targets;
};

// One line per command: name, arguments and what it does.
std::vector<std::string> Usage();

}  // namespace e2e
