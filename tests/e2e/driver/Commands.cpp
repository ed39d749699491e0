#include "Commands.h"

#include "ProcessStats.h"
#include "RemoteListView.h"
#include "Tokens.h"
#include "WindowSearch.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace e2e {

namespace {

constexpr DWORD kWindowTimeoutMs = 10000;
constexpr DWORD kBoxTimeoutMs = 5000;
constexpr DWORD kSelectTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

using Words = std::vector<std::string>;
using Lines = std::vector<std::string>;

struct Command {
    const char* name;
    std::size_t minArgs;
    std::size_t maxArgs;
    const char* usage;
    bool (*run)(Driver&, const Words&, Lines&, std::string&);
};

// Multi-line texts (edits, message boxes) print one output line per text line.
void AppendTextLines(const std::string& text, Lines& out)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        if (end == std::string::npos)
            return;
        start = end + 1;
    }
}

bool Timeout(const Words& args, std::size_t position, DWORD fallback, DWORD& timeoutMs, std::string& error)
{
    long value = static_cast<long>(fallback);
    if (args.size() > position && (!ParseNumber(args[position], value) || value < 0)) {
        error = "not a time-out in milliseconds: '" + args[position] + "'";
        return false;
    }
    timeoutMs = Scaled(static_cast<DWORD>(value));
    return true;
}

bool Target(Driver& d, HWND& target, std::string& error)
{
    if (d.m_targets.empty()) {
        error = "no target window (start with wait-window)";
        return false;
    }
    target = d.m_targets.back();
    if (!IsWindow(target)) {
        error = "the target window is gone";
        return false;
    }
    return true;
}

bool Control(Driver& d, const std::string& word, HWND& control, std::string& error)
{
    HWND target = nullptr;
    Selector selector;
    if (!Target(d, target, error) || !ParseSelector(word, selector, error))
        return false;
    control = FindOneControl(target, selector, error);
    return control != nullptr;
}

bool WaitWindow(Driver& d, const Words& a, Lines&, std::string& error)
{
    DWORD timeoutMs = 0;
    if (!Timeout(a, 2, kWindowTimeoutMs, timeoutMs, error))
        return false;
    std::vector<HWND> found;
    if (!WaitFor(timeoutMs, [&] {
            found = FindDialogsByTitle(a[1]);
            return !found.empty();
        })) {
        error = "no dialog titled '" + a[1] + "' within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    if (found.size() > 1) {
        error = std::to_string(found.size()) + " dialogs titled '" + a[1] + "'";
        return false;
    }
    d.m_targets.assign(1, found[0]);
    return true;
}

bool UseOwned(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND target = nullptr;
    DWORD timeoutMs = 0;
    if (!Target(d, target, error) || !Timeout(a, 2, kBoxTimeoutMs, timeoutMs, error))
        return false;
    const std::string title = a.size() > 1 ? a[1] : std::string();
    std::vector<HWND> found;
    if (!WaitFor(timeoutMs, [&] {
            found = FindOwnedDialogs(target, title);
            return !found.empty();
        })) {
        error = "no dialog owned by the target" + (title.empty() ? std::string() : " titled '" + title + "'");
        return false;
    }
    if (found.size() > 1) {
        error = std::to_string(found.size()) + " dialogs owned by the target";
        return false;
    }
    d.m_targets.push_back(found[0]);
    return true;
}

bool UsePrevious(Driver& d, const Words&, Lines&, std::string& error)
{
    if (d.m_targets.size() < 2) {
        error = "no previous target";
        return false;
    }
    d.m_targets.pop_back();
    return true;
}

bool Title(Driver& d, const Words&, Lines& out, std::string& error)
{
    HWND target = nullptr;
    std::string text;
    if (!Target(d, target, error) || !ReadWindowText(target, text, error))
        return false;
    out.push_back(text);
    return true;
}

bool GetText(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    std::string text;
    if (!Control(d, a[1], control, error) || !ReadWindowText(control, text, error))
        return false;
    AppendTextLines(text, out);
    return true;
}

bool SetText(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    DWORD_PTR result = 0;
    // WM_SETTEXT is one of the messages whose string the system copies into the other process.
    if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()), SMTO_NORMAL,
                             AnswerTimeoutMs(), &result)) {
        error = "no answer to WM_SETTEXT";
        return false;
    }
    if (!result) {
        error = "the control refused the text";
        return false;
    }
    return true;
}

bool Click(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    // A user cannot click what is hidden or greyed out.
    const bool visible = IsWindowVisible(control) != FALSE;
    if (!visible || !IsWindowEnabled(control)) {
        error = std::string("the control is ") + (visible ? "disabled" : "hidden");
        return false;
    }
    // Posted: the handler may run a modal dialog, and the driver has to go on to answer it.
    const int id = GetDlgCtrlID(control);
    if (!PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control))) {
        error = "PostMessage failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

bool IsVisible(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    out.push_back(IsWindowVisible(control) ? "visible" : "hidden");
    return true;
}

bool IsEnabled(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    out.push_back(IsWindowEnabled(control) ? "enabled" : "disabled");
    return true;
}

// Where the control is on the screen, for the harness to look at its pixels in a screenshot.
bool ScreenRect(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RECT r{};
    if (!GetWindowRect(control, &r)) {
        error = "GetWindowRect failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    out.push_back(std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                  std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
    return true;
}

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
           std::to_string(r.bottom - r.top);
}

// The target's client area and where every control below it lies in it: the numbers a layout
// check needs, in the screen's pixels.
bool Layout(Driver& d, const Words&, Lines& out, std::string& error)
{
    HWND target = nullptr;
    if (!Target(d, target, error))
        return false;
    RECT window{};
    RECT client{};
    GetWindowRect(target, &window);
    GetClientRect(target, &client);
    out.push_back("window " + RectText(window) + " client " + std::to_string(client.right) + " " +
                  std::to_string(client.bottom));
    for (HWND hwnd : Descendants(target)) {
        int depth = 0;
        for (HWND p = GetParent(hwnd); p && p != target; p = GetParent(p))
            ++depth;
        RECT r{};
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, target, reinterpret_cast<POINT*>(&r), 2);
        char style[16];
        std::snprintf(style, sizeof style, "0x%08lx", static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE)));
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::to_string(GetDlgCtrlID(hwnd)) +
                      " " + ClassOf(hwnd) + " " + style + (IsWindowVisible(hwnd) ? " visible " : " hidden ") +
                      RectText(r));
    }
    return true;
}

bool ListItems(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RemoteListView list(control);
    std::vector<ListItem> items;
    if (!list.Items(items, error))
        return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        // Empty trailing columns are left out, as blanks at a line's end are easily lost.
        std::vector<std::string>& texts = items[i].texts;
        while (texts.size() > 1 && texts.back().empty())
            texts.pop_back();
        std::string line = std::to_string(i) + " | " + std::to_string(items[i].image);
        for (const std::string& text : texts)
            line += " | " + text;
        out.push_back(line);
    }
    return true;
}

bool ListColumns(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RemoteListView list(control);
    std::vector<ListColumn> columns;
    if (!list.Columns(columns, error))
        return false;
    for (std::size_t i = 0; i < columns.size(); ++i)
        out.push_back(std::to_string(i) + " | " + columns[i].text + " | " + std::to_string(columns[i].width));
    return true;
}

bool ListTextWidths(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RemoteListView list(control);
    std::vector<ListColumn> columns;
    std::vector<ListItem> items;
    std::vector<int> headerWidths;
    std::vector<std::vector<int>> itemWidths;
    if (!list.Columns(columns, error) || !list.Items(items, error) ||
        !list.TextWidths(columns, items, headerWidths, itemWidths, error))
        return false;
    std::string line = "header";
    for (int width : headerWidths)
        line += " | " + std::to_string(width);
    out.push_back(line);
    for (std::size_t i = 0; i < itemWidths.size(); ++i) {
        line = std::to_string(i);
        for (int width : itemWidths[i])
            line += " | " + std::to_string(width);
        out.push_back(line);
    }
    return true;
}

// A static cannot measure its text, and a font handle means nothing in another process: a list
// view beside the static that has its font (the same handle) measures it.
bool LabelWidths(Driver& d, const Words&, Lines& out, std::string& error)
{
    HWND target = nullptr;
    if (!Target(d, target, error))
        return false;
    for (HWND label : Descendants(target)) {
        const LONG type = GetWindowLongA(label, GWL_STYLE) & SS_TYPEMASK;
        std::string text;
        if (ClassOf(label) != "Static" || !IsWindowVisible(label) || (type > SS_RIGHT && type != SS_LEFTNOWORDWRAP) ||
            !ReadWindowText(label, text, error) || text.empty())
            continue;
        HWND list = FindWindowExA(GetParent(label), nullptr, "SysListView32", nullptr);
        while (list != nullptr && SendMessageA(list, WM_GETFONT, 0, 0) != SendMessageA(label, WM_GETFONT, 0, 0))
            list = FindWindowExA(GetParent(label), list, "SysListView32", nullptr);
        std::vector<int> headers;
        std::vector<std::vector<int>> width;
        if (list == nullptr || !RemoteListView(list).TextWidths({}, {ListItem{-1, 0, {text}}}, headers, width, error)) {
            error = list == nullptr ? "no list view with the font of the label '" + text + "' beside it" : error;
            return false;
        }
        RECT r{};
        GetWindowRect(label, &r);
        MapWindowPoints(nullptr, target, reinterpret_cast<POINT*>(&r), 2);
        out.push_back(std::to_string(out.size()) + " | " + RectText(r) + " | " + std::to_string(width[0][0]) + " | " +
                      text);
    }
    return true;
}

bool ListIcons(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RemoteListView list(control);
    std::vector<RECT> rects;
    if (!list.IconRects(rects, error))
        return false;
    for (std::size_t i = 0; i < rects.size(); ++i)
        out.push_back(std::to_string(i) + " | " + RectText(rects[i]));
    return true;
}

bool SelectedItem(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    if (!Control(d, a[1], control, error))
        return false;
    RemoteListView list(control);
    int index = -1;
    if (!list.SelectedIndex(index, error))
        return false;
    out.push_back(std::to_string(index));
    return true;
}

bool SelectItem(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    long index = 0;
    DWORD timeoutMs = 0;
    if (!Control(d, a[1], control, error) || !Timeout(a, 3, kSelectTimeoutMs, timeoutMs, error))
        return false;
    if (!ParseNumber(a[2], index)) {
        error = "not an item index: '" + a[2] + "'";
        return false;
    }
    RemoteListView list(control);
    return list.Select(static_cast<int>(index), timeoutMs, error);
}

bool NotifyItem(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    long index = 0;
    if (!Control(d, a[1], control, error))
        return false;
    if (!ParseNumber(a[2], index)) {
        error = "not an item index: '" + a[2] + "'";
        return false;
    }
    RemoteListView list(control);
    return list.Renotify(static_cast<int>(index), error);
}

bool ButtonId(const std::string& word, int& id)
{
    static const struct {
        const char* name;
        int id;
    } kButtons[] = {{"OK", IDOK},       {"CANCEL", IDCANCEL}, {"ABORT", IDABORT}, {"RETRY", IDRETRY},
                    {"IGNORE", IDIGNORE}, {"YES", IDYES},       {"NO", IDNO}};
    for (const auto& b : kButtons) {
        if (_stricmp(word.c_str(), b.name) == 0) {
            id = b.id;
            return true;
        }
    }
    long value = 0;
    if (!ParseNumber(word, value) || value <= 0 || value > 0xFFFF)
        return false;
    id = static_cast<int>(value);
    return true;
}

bool AnswerBox(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND target = nullptr;
    DWORD timeoutMs = 0;
    int button = 0;
    if (!Target(d, target, error) || !Timeout(a, 2, kBoxTimeoutMs, timeoutMs, error))
        return false;
    if (!ButtonId(a[1], button)) {
        error = "not a button: '" + a[1] + "' (OK, CANCEL, YES, NO, ... or an id)";
        return false;
    }
    HWND box = nullptr;
    HWND text = nullptr;
    if (!WaitFor(timeoutMs, [&] {
            for (HWND candidate : FindOwnedDialogs(target, std::string())) {
                text = GetDlgItem(candidate, kMessageBoxTextId);
                if (text) {
                    box = candidate;
                    return true;
                }
            }
            return false;
        })) {
        error = "no message box within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    std::string caption;
    std::string body;
    if (!ReadWindowText(box, caption, error) || !ReadWindowText(text, body, error))
        return false;
    HWND pressed = GetDlgItem(box, button);
    if (!pressed) {
        error = "the message box has no button " + std::to_string(button);
        return false;
    }
    if (!PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(pressed))) {
        error = "PostMessage failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // The next window to look for may only appear once this one has gone.
    if (!WaitFor(timeoutMs, [&] { return !IsWindow(box); })) {
        error = "the message box did not close";
        return false;
    }
    out.push_back(caption);
    AppendTextLines(body, out);
    return true;
}

bool Close(Driver& d, const Words&, Lines&, std::string& error)
{
    HWND target = nullptr;
    if (!Target(d, target, error))
        return false;
    if (!PostMessageA(target, WM_CLOSE, 0, 0)) {
        error = "PostMessage failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

bool WaitGone(Driver& d, const Words& a, Lines&, std::string& error)
{
    DWORD timeoutMs = 0;
    if (d.m_targets.empty()) {
        error = "no target window";
        return false;
    }
    if (!Timeout(a, 1, kWindowTimeoutMs, timeoutMs, error))
        return false;
    HWND target = d.m_targets.back();
    if (!WaitFor(timeoutMs, [&] { return !IsWindow(target); })) {
        error = "the target window is still there after " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    d.m_targets.pop_back();
    return true;
}

bool Dump(Driver& d, const Words&, Lines& out, std::string& error)
{
    HWND target = nullptr;
    if (!Target(d, target, error))
        return false;
    for (HWND hwnd : Descendants(target)) {
        int depth = 0;
        for (HWND p = GetParent(hwnd); p && p != target; p = GetParent(p))
            ++depth;
        std::string text;
        std::string ignored;
        if (!ReadWindowText(hwnd, text, ignored))
            text = "?";
        for (char& c : text)
            if (c == '\r' || c == '\n')
                c = ' ';
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::to_string(GetDlgCtrlID(hwnd)) +
                      " " + ClassOf(hwnd) + (IsWindowVisible(hwnd) ? "" : " (hidden)") + " \"" + text + "\"");
    }
    return true;
}

// List boxes: LB_GETTEXT is one of the messages whose text the system copies across processes.
bool ListBoxNumber(HWND control, UINT message, WPARAM wParam, LRESULT& answer, std::string& error)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, message, wParam, 0, SMTO_NORMAL, AnswerTimeoutMs(), &result)) {
        error = "no answer from the list box";
        return false;
    }
    answer = static_cast<LRESULT>(result);
    return true;
}

bool BoxItems(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    LRESULT count = 0;
    if (!Control(d, a[1], control, error) || !ListBoxNumber(control, LB_GETCOUNT, 0, count, error))
        return false;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!ListBoxNumber(control, LB_GETTEXTLEN, static_cast<WPARAM>(i), length, error))
            return false;
        // The wide form: Wine hands the ANSI form's text across processes in UTF-16.
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(control, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]),
                                 SMTO_NORMAL, AnswerTimeoutMs(), &result)) {
            error = "no answer to LB_GETTEXT";
            return false;
        }
        wide.resize(std::wcslen(wide.c_str()));
        std::string text(wide.size() * 2 + 1, '\0');
        const int bytes = WideCharToMultiByte(1252, 0, wide.c_str(), static_cast<int>(wide.size()), &text[0],
                                              static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
        out.push_back(std::to_string(i) + " | " + text);
    }
    return true;
}

bool BoxSelected(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND control = nullptr;
    LRESULT index = 0;
    if (!Control(d, a[1], control, error) || !ListBoxNumber(control, LB_GETCURSEL, 0, index, error))
        return false;
    out.push_back(std::to_string(index));
    return true;
}

bool BoxIndex(const Words& a, long& index, std::string& error)
{
    if (ParseNumber(a[2], index) && index >= -1)
        return true;
    error = "not an item index: '" + a[2] + "'";
    return false;
}

// LB_SETCURSEL: the selection changes as by a click, without LBN_SELCHANGE. -1 clears it.
bool BoxSelect(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    long index = 0;
    LRESULT answer = 0;
    if (!Control(d, a[1], control, error) || !BoxIndex(a, index, error) ||
        !ListBoxNumber(control, LB_SETCURSEL, static_cast<WPARAM>(index), answer, error))
        return false;
    if (answer == LB_ERR && index != -1) {
        error = "the list box has no item " + a[2];
        return false;
    }
    return true;
}

// A real double click on the item: the mouse messages the list box gets from the system, posted.
bool BoxDoubleClick(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND control = nullptr;
    long index = 0;
    LRESULT height = 0;
    LRESULT top = 0;
    if (!Control(d, a[1], control, error) || !BoxIndex(a, index, error) ||
        !ListBoxNumber(control, LB_GETITEMHEIGHT, 0, height, error) ||
        !ListBoxNumber(control, LB_GETTOPINDEX, 0, top, error))
        return false;
    const LPARAM point = MAKELPARAM(4, (index - top) * height + height / 2);
    const UINT messages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    for (UINT message : messages) {
        const WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
        if (!PostMessageA(control, message, keys, point)) {
            error = "PostMessage failed (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
    }
    return true;
}

// The system menu's command ID, posted to the target as the menu would send it.
bool SysCommand(Driver& d, const Words& a, Lines&, std::string& error)
{
    HWND target = nullptr;
    long id = 0;
    if (!Target(d, target, error))
        return false;
    if (!ParseNumber(a[1], id) || id < 0) {
        error = "not a command id: '" + a[1] + "'";
        return false;
    }
    if (!PostMessageA(target, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0)) {
        error = "PostMessage failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

bool Stats(Driver& d, const Words&, Lines& out, std::string& error)
{
    HWND target = nullptr;
    ProcessStats stats;
    if (!Target(d, target, error) || !ReadProcessStats(target, stats, error))
        return false;
    out.push_back(FormatProcessStats(stats));
    return true;
}

bool ModuleVersion(Driver& d, const Words& a, Lines& out, std::string& error)
{
    HWND target = nullptr;
    return Target(d, target, error) && ReadModuleVersions(target, a[1], out, error);
}

const Command kCommands[] = {
    {"wait-window", 1, 2, "wait-window TITLE [MS]   the dialog titled TITLE becomes the target", WaitWindow},
    {"use-owned", 0, 2, "use-owned [TITLE] [MS]   a dialog owned by the target becomes the target", UseOwned},
    {"use-previous", 0, 0, "use-previous             back to the target before use-owned", UsePrevious},
    {"title", 0, 0, "title                    prints the target's title", Title},
    {"get-text", 1, 1, "get-text SEL             prints the control's text, one line per line", GetText},
    {"set-text", 2, 2, "set-text SEL TEXT        sets the control's text (WM_SETTEXT)", SetText},
    {"click", 1, 1, "click SEL                posts BN_CLICKED of a visible, enabled control", Click},
    {"is-visible", 1, 1, "is-visible SEL           prints visible or hidden", IsVisible},
    {"is-enabled", 1, 1, "is-enabled SEL           prints enabled or disabled", IsEnabled},
    {"screen-rect", 1, 1, "screen-rect SEL          prints the control's X Y WIDTH HEIGHT on the screen", ScreenRect},
    {"list-items", 1, 1, "list-items SEL           prints INDEX | IMAGE | TEXT | SUBITEM... per item (empty trailing ones left out)", ListItems},
    {"list-columns", 1, 1, "list-columns SEL         prints INDEX | TEXT | WIDTH per column", ListColumns},
    {"list-text-widths", 1, 1, "list-text-widths SEL     prints header | WIDTH... and INDEX | WIDTH... of each text in the list's font", ListTextWidths},
    {"label-widths", 0, 0, "label-widths             prints INDEX | X Y W H | TEXT WIDTH | TEXT of each shown text static, in its font", LabelWidths},
    {"list-icons", 1, 1, "list-icons SEL           prints INDEX | X Y WIDTH HEIGHT of each item's icon in the list", ListIcons},
    {"selected-item", 1, 1, "selected-item SEL        prints the first selected index or -1", SelectedItem},
    {"select-item", 2, 3, "select-item SEL INDEX [MS] selects and focuses the item", SelectItem},
    {"notify-item", 2, 2, "notify-item SEL INDEX sends the program LVN_ITEMCHANGED for the item, selection untouched",
     NotifyItem},
    {"answer-box", 1, 2, "answer-box BUTTON [MS]   presses BUTTON in the target's message box; prints caption and text", AnswerBox},
    {"box-items", 1, 1, "box-items SEL            prints INDEX | TEXT per list-box item", BoxItems},
    {"box-selected", 1, 1, "box-selected SEL         prints the list box's selected index or -1", BoxSelected},
    {"box-select", 2, 2, "box-select SEL INDEX     selects the list-box item (-1: none), no notification", BoxSelect},
    {"box-dblclick", 2, 2, "box-dblclick SEL INDEX   double-clicks the list-box item (posted mouse messages)", BoxDoubleClick},
    {"syscommand", 1, 1, "syscommand ID            posts WM_SYSCOMMAND ID to the target (system menu entry)", SysCommand},
    {"close", 0, 0, "close                    posts WM_CLOSE to the target", Close},
    {"wait-gone", 0, 1, "wait-gone [MS]           waits until the target has gone, then drops it", WaitGone},
    {"dump", 0, 0, "dump                     prints every control below the target", Dump},
    {"layout", 0, 0, "layout                   prints the target's window rectangle and client size, then ID CLASS STYLE visible|hidden X Y W H of every control in its client area", Layout},
    {"module-version", 1, 1, "module-version NAME      prints VERSION PATH of each module NAME (comctl32.dll) of the target's process", ModuleVersion},
    {"process-stats", 0, 0, "process-stats            prints the target process's private bytes and handle, GDI and USER object counts", Stats},
};

}  // namespace

bool Driver::Run(const Words& words, Lines& output, std::string& error)
{
    output.clear();
    if (words.empty()) {
        error = "empty command";
        return false;
    }
    for (const Command& c : kCommands) {
        if (words[0] != c.name)
            continue;
        const std::size_t args = words.size() - 1;
        if (args < c.minArgs || args > c.maxArgs) {
            error = std::string("usage: ") + c.usage;
            return false;
        }
        return c.run(*this, words, output, error);
    }
    error = "unknown command '" + words[0] + "'";
    return false;
}

std::vector<std::string> Usage()
{
    std::vector<std::string> lines;
    for (const Command& c : kCommands)
        lines.push_back(c.usage);
    return lines;
}

}  // namespace e2e
