#include "WindowSearch.h"

#include "Tokens.h"

#include <cstring>

namespace e2e {

namespace {

const char kDialogClass[] = "#32770";
double g_timeFactor = 1.0;

struct TopLevelSearch {
    std::string title;
    HWND owner = nullptr;
    bool byOwner = false;
    std::vector<HWND> found;
};

// Window texts of top-level windows are read with GetWindowTextA: for a window of another process
// it returns the caption stored by the system without sending a message, so a busy program cannot
// stall the search.
std::string CaptionOf(HWND hwnd)
{
    char buffer[512] = {};
    const int length = GetWindowTextA(hwnd, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<TopLevelSearch*>(param);
    if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != kDialogClass)
        return TRUE;
    if (search->byOwner && GetWindow(hwnd, GW_OWNER) != search->owner)
        return TRUE;
    if ((!search->byOwner || !search->title.empty()) && CaptionOf(hwnd) != search->title)
        return TRUE;
    search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::string ClassOf(HWND hwnd)
{
    char name[256] = {};
    const int length = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::vector<HWND> FindDialogsByTitle(const std::string& title)
{
    TopLevelSearch search;
    search.title = title;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> FindOwnedDialogs(HWND owner, const std::string& title)
{
    TopLevelSearch search;
    search.title = title;
    search.owner = owner;
    search.byOwner = true;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool ParseSelector(const std::string& word, Selector& selector, std::string& error)
{
    Selector s;
    std::string rest = word;
    for (std::size_t colon = rest.find(':'); colon != std::string::npos; colon = rest.find(':')) {
        const std::string scope = rest.substr(0, colon);
        if (scope == "visible")
            s.visibleOnly = true;
        else if (scope == "child")
            s.childrenOnly = true;
        else if (scope == "nested")
            s.nestedOnly = true;
        else if (scope.rfind("class=", 0) == 0 && scope.size() > 6)
            s.className = scope.substr(6);
        else {
            error = "unknown selector scope '" + scope + "' (visible:, child:, nested:, class=NAME:)";
            return false;
        }
        rest = rest.substr(colon + 1);
    }
    if (s.childrenOnly && s.nestedOnly) {
        error = "child: and nested: exclude each other";
        return false;
    }
    long id = 0;
    if (!ParseNumber(rest, id) || id < 0 || id > 0xFFFF) {
        error = "not a control id: '" + word + "'";
        return false;
    }
    s.id = static_cast<int>(id);
    selector = s;
    return true;
}

std::vector<HWND> FindControls(HWND parent, const Selector& selector)
{
    std::vector<HWND> found;
    for (HWND hwnd : Descendants(parent)) {
        if (GetDlgCtrlID(hwnd) != selector.id)
            continue;
        if (selector.visibleOnly && !IsWindowVisible(hwnd))
            continue;
        if (!selector.className.empty()) {
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (lstrcmpiA(name, selector.className.c_str()) != 0)
                continue;
        }
        const bool direct = GetParent(hwnd) == parent;
        if ((selector.childrenOnly && !direct) || (selector.nestedOnly && direct))
            continue;
        found.push_back(hwnd);
    }
    return found;
}

HWND FindOneControl(HWND parent, const Selector& selector, std::string& error)
{
    const std::vector<HWND> found = FindControls(parent, selector);
    if (found.size() == 1)
        return found[0];
    std::string kind = selector.visibleOnly ? "visible " : "";
    if (selector.childrenOnly)
        kind += "direct child ";
    if (selector.nestedOnly)
        kind += "nested ";
    if (!selector.className.empty())
        kind += selector.className + " ";
    if (found.empty())
        error = "no " + kind + "control with id " + std::to_string(selector.id);
    else
        error = std::to_string(found.size()) + " " + kind + "controls with id " + std::to_string(selector.id) +
                " (narrow it with visible:, child: or nested:)";
    return nullptr;
}

bool ReadWindowText(HWND hwnd, std::string& text, std::string& error)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, AnswerTimeoutMs(), &length)) {
        error = "no answer to WM_GETTEXTLENGTH";
        return false;
    }
    // The length may be an overestimate (DBCS), never an underestimate.
    std::vector<char> buffer(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_NORMAL, AnswerTimeoutMs(), &copied)) {
        error = "no answer to WM_GETTEXT";
        return false;
    }
    text.assign(buffer.data(), std::strlen(buffer.data()));
    return true;
}

void SetTimeFactor(double factor)
{
    g_timeFactor = factor;
}

DWORD Scaled(DWORD ms)
{
    const double scaled = static_cast<double>(ms) * g_timeFactor;
    return scaled >= 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(scaled + 0.5);
}

UINT AnswerTimeoutMs()
{
    return Scaled(5000);
}

}  // namespace e2e
