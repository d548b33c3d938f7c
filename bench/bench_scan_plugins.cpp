// Prints what the plug-in scan costs per entry as the registry fills up: N entries in each of
// the nine categories, each with its class registered, ScanPlugins on a form without a window
// (and with one), and a bare loop making the same registry calls, with the ratio of the two.
// On 64-bit Windows the machine-wide categories and their classes are filled in both registry
// views, and the bare loop reads both, as the scan must; the keys of the current user are
// shared by the views, so the bare loop lists them once and only opens them in the other view
// to see that they are the same. The scan should stay within 1.6 times the bare loop.
// The entries use class identifiers of their own and are removed afterwards, also those a
// crashed run left behind; keys that did not exist before are removed whole.
//
//   scripts/wine-run.sh build/bin/bench_scan_plugins.exe [largest N = 10000]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "ui/application.h"
#include "ui/w_main.h"

namespace {

// Every identifier of this benchmark ends in this, so leftovers can be found and removed.
const char kMark[] = "-5A5642454E43}";
const char kClsidKey[] = "SOFTWARE\\Classes\\CLSID";
const char kSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";

enum TKind { kExtension, kHelperObject, kToolbar, kExplorerBar, kUrlSearchHook, kMenuExt, kShellExecuteHook,
             kDownloaded, kStats, kKinds };

struct TCategory {
    HKEY root;
    const char* key;
    bool values;
    bool resolves;
};

const TCategory kCategories[kKinds] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions", false, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", false, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", true, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars", false, true},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks", true, true},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\MenuExt", false, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", true, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units", false, true},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats", false, true},
};

// The views a scan of this machine reads: the process's own on 32-bit Windows, both on 64-bit.
std::vector<REGSAM> Views()
{
    if (zv::IsWindows64()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

std::string Id(int kind, int index)
{
    char id[64];
    wsprintfA(id, "{5A56BE%02X-%04X-%04X-8000%s", kind, (index >> 16) & 0xFFFF, index & 0xFFFF, kMark);
    return id;
}

double NowMs()
{
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

double TimedMs(const std::function<void()>& f)
{
    const double start = NowMs();
    f();
    return NowMs() - start;
}

class TKey {
public:
    TKey(HKEY root, const std::string& path, bool create, REGSAM view = 0)
    {
        if (create) {
            RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &m_key, nullptr);
        } else {
            RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &m_key);
        }
    }
    ~TKey()
    {
        if (m_key) RegCloseKey(m_key);
    }
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    HKEY get() const { return m_key; }

    void Text(const std::string& name, const std::string& text) const
    {
        RegSetValueExA(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    void Number(const std::string& name, DWORD value) const
    {
        RegSetValueExA(m_key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }

private:
    HKEY m_key = nullptr;
};

bool Exists(HKEY root, const std::string& path, REGSAM view)
{
    return TKey(root, path, false, view).get() != nullptr;
}

bool Marked(const std::string& name)
{
    const size_t mark = sizeof(kMark) - 1;
    return name.size() >= mark && name.compare(name.size() - mark, mark, kMark) == 0;
}

std::vector<std::string> Names(HKEY key, bool values)
{
    std::vector<std::string> names;
    std::vector<char> name(32768);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        const LONG status = values ? RegEnumValueA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr)
                                   : RegEnumKeyExA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), len);
    }
    return names;
}

// Removes this benchmark's entries from a key, and the key itself when it held nothing else.
void RemoveMarked(HKEY root, const std::string& path, bool values, REGSAM view)
{
    TKey key(root, path, false, view);
    if (!key.get()) return;
    for (const std::string& name : Names(key.get(), values)) {
        if (!Marked(name)) continue;
        if (values) {
            RegDeleteValueA(key.get(), name.c_str());
        } else {
            RegDeleteTreeA(key.get(), name.c_str());
        }
    }
}

// The category keys and their missing parents, as they were before the benchmark; put back so.
class TRegistryFill {
public:
    TRegistryFill()
    {
        Clean();
        for (const REGSAM view : Views()) {
            for (const TCategory& c : kCategories) {
                std::string path = c.key;
                std::string topMissing;
                while (!path.empty() && !Exists(c.root, path, view)) {
                    topMissing = path;
                    path.resize(path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\'));
                }
                if (!topMissing.empty()) m_created.push_back({c.root, topMissing, view});
            }
        }
    }
    ~TRegistryFill()
    {
        Clean();
        for (const TCreated& created : m_created) {
            if (TKey key(created.root, created.path, false, created.view); key.get()) {
                RegDeleteTreeA(key.get(), nullptr);
            }
            RegDeleteKeyExA(created.root, created.path.c_str(), created.view, 0);
        }
    }
    TRegistryFill(const TRegistryFill&) = delete;
    TRegistryFill& operator=(const TRegistryFill&) = delete;

    // Adds entries [from, to) to every category, in every view; gives how many entries the
    // categories hold now, those of the current user's shared keys counted once.
    double Fill(int from, int to) const
    {
        double entries = 0;
        for (const REGSAM view : Views()) {
            for (int kind = 0; kind < kKinds; ++kind) {
                const TCategory& c = kCategories[kind];
                if (c.root == HKEY_CURRENT_USER && view != Views().front()) continue;
                entries += to;
                TKey category(c.root, c.key, true, view);
                for (int i = from; i < to; ++i) {
                    const std::string id = Id(kind, i);
                    if (c.values) {
                        category.Text(id, "");
                    } else {
                        Fill(kind, TKey(category.get(), id, true), id, i);
                    }
                    if (c.resolves) Register(id, i, view);
                }
            }
        }
        return entries;
    }

private:
    static void Fill(int kind, const TKey& entry, const std::string& id, int i)
    {
        switch (kind) {
        case kExtension:
            entry.Text("MenuText", "扩展菜单 " + std::to_string(i));
            entry.Text("Exec", "C:\\Program Files\\Bench\\ext.exe");
            break;
        case kMenuExt:
            entry.Text("", "res://C:\\Program Files\\Bench\\menu.dll/" + id);
            break;
        case kDownloaded:
            TKey(entry.get(), "DownloadInformation", true).Text("CODEBASE", "http://cab.bench.example/" + id);
            break;
        case kStats:
            TKey(entry.get(), "iexplore", true).Number("Type", 1);
            break;
        default:
            break;
        }
    }

    static void Register(const std::string& id, int i, REGSAM view)
    {
        TKey cls(HKEY_LOCAL_MACHINE, std::string(kClsidKey) + "\\" + id, true, view);
        cls.Text("", "基准组件 " + std::to_string(i));
        TKey(cls.get(), "InprocServer32", true).Text("", "%SystemRoot%\\system32\\shell32.dll");
    }

    static void Clean()
    {
        for (const REGSAM view : Views()) {
            for (const TCategory& c : kCategories) RemoveMarked(c.root, c.key, c.values, view);
            RemoveMarked(HKEY_LOCAL_MACHINE, kClsidKey, false, view);
        }
    }

    struct TCreated {
        HKEY root;
        std::string path;
        REGSAM view;
    };
    std::vector<TCreated> m_created;
};

// The registry calls ScanPlugins makes, made directly: listing each category, reading each
// entry's own values, resolving its class and asking whether it is disabled.
class TBareScan {
public:
    long calls = 0;

    void Run()
    {
        for (const REGSAM view : Views()) {
            m_view = view;
            RunInView();
        }
    }

private:
    void RunInView()
    {
        for (int kind = 0; kind < kKinds; ++kind) {
            const TCategory& c = kCategories[kind];
            if (c.root == HKEY_CURRENT_USER && m_view != Views().front()) {
                Close(Open(c.root, c.key));
                continue;
            }
            for (const std::string& name : List(c)) {
                const std::string own = std::string(c.key) + "\\" + name;
                if (kind == kExtension) {
                    HKEY key = Open(c.root, own);
                    if (!ReadText(key, "MenuText")) ReadText(key, "ButtonText");
                    ReadText(key, "Exec");
                    Close(key);
                } else if (kind == kMenuExt) {
                    HKEY key = Open(c.root, own);
                    ReadText(key, "");
                    Close(key);
                } else if (kind == kDownloaded) {
                    HKEY key = Open(c.root, own);
                    if (HasValue(key, "SystemComponent")) ReadNumber(key, "SystemComponent");
                    Close(key);
                } else if (kind == kStats) {
                    HKEY key = Open(c.root, own + "\\iexplore");
                    if (HasValue(key, "Type")) ReadNumber(key, "Type");
                    Close(key);
                }
                if (!c.resolves) continue;
                Resolve(name);
                if (kind != kUrlSearchHook && kind != kShellExecuteHook) Disabled(name);
                if (kind == kDownloaded) {
                    HKEY info = Open(c.root, own + "\\DownloadInformation");
                    if (HasValue(info, "CODEBASE")) ReadText(info, "CODEBASE");
                    Close(info);
                }
            }
        }
    }

    HKEY Open(HKEY root, const std::string& path)
    {
        HKEY key = nullptr;
        ++calls;
        RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | m_view, &key);
        return key;
    }

    void Close(HKEY key)
    {
        ++calls;
        RegCloseKey(key);
    }

    bool HasValue(HKEY key, const char* name)
    {
        ++calls;
        return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    bool ReadText(HKEY key, const char* name)
    {
        DWORD type = 0, size = 0;
        ++calls;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) return false;
        std::vector<BYTE> data(size);
        ++calls;
        RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        return data[0] != 0;
    }

    void ReadNumber(HKEY key, const char* name)
    {
        DWORD value = 0, size = sizeof(value);
        ++calls;
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    }

    std::vector<std::string> List(const TCategory& c)
    {
        HKEY key = Open(c.root, c.key);
        if (!key) return {};
        DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValue = 0;
        ++calls;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValue, nullptr,
                         nullptr, nullptr);
        std::vector<std::string> names;
        std::vector<char> name(2 * (c.values ? maxValue : maxSubKey) + 1);
        const DWORD count = c.values ? values : subKeys;
        for (DWORD i = 0; i < count; ++i) {
            DWORD len = static_cast<DWORD>(name.size());
            ++calls;
            if (c.values) {
                RegEnumValueA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
            } else {
                RegEnumKeyExA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
            }
            names.emplace_back(name.data(), len);
        }
        Close(key);
        return names;
    }

    void Resolve(const std::string& id)
    {
        const std::string cls = std::string(kClsidKey) + "\\" + id;
        HKEY key = Open(HKEY_LOCAL_MACHINE, cls);
        ReadText(key, "");
        Close(key);
        key = Open(HKEY_LOCAL_MACHINE, cls + "\\InprocServer32");
        ReadText(key, "");
        Close(key);
    }

    void Disabled(const std::string& id)
    {
        if (HKEY key = Open(HKEY_CURRENT_USER, kSettingsKey + id)) Close(key);
    }

    REGSAM m_view = 0;
};

// Counts the registry calls that reach advapi32 through the registry object.
struct TCallCounter {
    static inline long calls = 0;
    zv::TRegistryApi saved = zv::RegistryApi();
    TCallCounter()
    {
        calls = 0;
        zv::TRegistryApi& api = zv::RegistryApi();
        api.OpenKeyEx = [](HKEY k, LPCSTR p, DWORD o, REGSAM s, PHKEY r) WINAPI { return ++calls, RegOpenKeyExA(k, p, o, s, r); };
        api.CloseKey = [](HKEY k) WINAPI { return ++calls, RegCloseKey(k); };
        api.QueryInfoKey = [](HKEY k, LPSTR c, LPDWORD cl, LPDWORD r, LPDWORD sk, LPDWORD msk, LPDWORD mc, LPDWORD v,
                              LPDWORD mv, LPDWORD md, LPDWORD sd, PFILETIME t) WINAPI {
            return ++calls, RegQueryInfoKeyA(k, c, cl, r, sk, msk, mc, v, mv, md, sd, t);
        };
        api.EnumKeyEx = [](HKEY k, DWORD i, LPSTR n, LPDWORD l, LPDWORD r, LPSTR c, LPDWORD cl, PFILETIME t) WINAPI {
            return ++calls, RegEnumKeyExA(k, i, n, l, r, c, cl, t);
        };
        api.EnumValue = [](HKEY k, DWORD i, LPSTR n, LPDWORD l, LPDWORD r, LPDWORD ty, LPBYTE d, LPDWORD dl) WINAPI {
            return ++calls, RegEnumValueA(k, i, n, l, r, ty, d, dl);
        };
        api.QueryValueEx = [](HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD l) WINAPI {
            return ++calls, RegQueryValueExA(k, n, r, t, d, l);
        };
    }
    ~TCallCounter() { zv::RegistryApi() = saved; }
    TCallCounter(const TCallCounter&) = delete;
    TCallCounter& operator=(const TCallCounter&) = delete;
};

}  // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT));
    zv::Application.Title = "Zorvane";
    const int largest = argc > 1 ? std::atoi(argv[1]) : 10000;

    TRegistryFill fill;
    zv::Tfm_main logic;
    zv::Tfm_main shown;
    shown.CreateForm(true);

    std::printf("registry views read: %zu; the scan should stay within 1.6 times the bare calls\n", Views().size());
    std::printf("%7s %8s %11s %11s %12s %7s %12s %12s\n", "N", "entries", "scan us/e", "bare us/e",
                "window us/e", "ratio", "scan calls/e", "bare calls/e");
    int filled = 0;
    for (int n = 100; n <= largest; n *= 10) {
        const double entries = fill.Fill(filled, n);
        filled = n;

        long scanCalls = 0;
        {
            TCallCounter counter;
            logic.ScanPlugins();
            scanCalls = TCallCounter::calls;
        }
        // The machine is shared and what others do only ever adds time: the three are run in
        // turn, in the opposite order every other round, and the fastest run of each counts.
        const int rounds = n <= 100 ? 6 : n <= 1000 ? 4 : 2;
        double scan = 0, bare = 0, window = 0;
        long bareCalls = 0;
        for (int round = 0; round < rounds; ++round) {
            auto best = [round](double& kept, double took) { kept = round == 0 || took < kept ? took : kept; };
            auto scanLogic = [&] { best(scan, TimedMs([&] { logic.ScanPlugins(); })); };
            auto scanWindow = [&] { best(window, TimedMs([&] { shown.ScanPlugins(); })); };
            round % 2 ? scanWindow() : scanLogic();
            TBareScan bareScan;
            best(bare, TimedMs([&] { bareScan.Run(); }));
            bareCalls = bareScan.calls;
            round % 2 ? scanLogic() : scanWindow();
        }
        std::printf("%7d %8.0f %11.2f %11.2f %12.2f %7.2f %12.2f %12.2f\n", n, entries, 1000.0 * scan / entries,
                    1000.0 * bare / entries, 1000.0 * window / entries, scan / bare, scanCalls / entries,
                    bareCalls / entries);
        std::fflush(stdout);
    }
    logic.FreeTreeData(&logic.m_tree);
    shown.DestroyHandle();
    return 0;
}
