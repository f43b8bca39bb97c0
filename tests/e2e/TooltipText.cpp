// tooltip_text: prints, one a line in UTF-8, the text of every tool tip shown
// on the desktop now. Under Wine a tray icon's tip is a tool tip of the
// desktop's own process, so a test hovers over the icon and reads the tip
// here. A tool tip answers WM_GETTEXT with the text it shows. Exit status 1
// when none is shown.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

BOOL CALLBACK Collect(HWND window, LPARAM found) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpiW(className, L"tooltips_class32") != 0 || !IsWindowVisible(window)) return TRUE;
    // A tray tip holds at most 127 characters.
    wchar_t text[256] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                            5000, &length) != 0 &&
        length > 0) {
        reinterpret_cast<std::vector<std::wstring>*>(found)->emplace_back(text, length);
    }
    return TRUE;
}

}  // namespace

int main() {
    std::vector<std::wstring> found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    for (const std::wstring& text : found) std::printf("%s\n", Utf8(text).c_str());
    return found.empty() ? 1 : 0;
}
