// dialog_file_cases.cpp -- the configuration dialog as orb.scr carries it,
// checked without running it: the template, byte by byte; whether its texts
// fit their controls in the dialog's own font; the export the display
// settings call; and the registry store that the dialog reads and writes,
// linked in and run in this process.
#include "dialog_support.h"

#include <commctrl.h>

#include "settings.h"

namespace {

// ---------------------------------------------------------------- template

struct TemplateReader {
    const BYTE *cursor;
    const BYTE *end;
    bool overrun;

    WORD Word() {
        if (cursor + 2 > end) {
            overrun = true;
            return 0;
        }
        WORD value;
        std::memcpy(&value, cursor, 2);
        cursor += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); c && !overrun; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    // A name or, after 0xFFFF, an ordinal (returned in *ordinal).
    std::wstring NameOrOrdinal(WORD *ordinal) {
        *ordinal = 0;
        const BYTE *start = cursor;
        if (Word() == 0xFFFF) {
            *ordinal = Word();
            return L"";
        }
        cursor = start;
        return String();
    }
    void AlignDword(const BYTE *base) {
        while ((cursor - base) % 4) cursor++;
    }
};

void CheckTemplate(const BYTE *data, DWORD size) {
    TemplateReader reader{data, data + size, false};
    const DWORD style = reader.Dword();
    const DWORD extendedStyle = reader.Dword();
    const WORD count = reader.Word();
    const short x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
    if (style == 0xFFFF0001u) {
        Fail("the template is a DIALOGEX, expected a plain DIALOG");
        return;
    }
    if (style != 0x80C808C0u) Fail("dialog style 0x%08lX, expected 0x80C808C0", style);
    CHECK(extendedStyle == 0, "the dialog has an extended style");
    if (count != kControlCount) Fail("%u controls, expected %d", count, kControlCount);
    if (x != 0 || y != 0 || cx != 165 || cy != 76) {
        Fail("dialog at %d,%d size %dx%d, expected 0,0 165x76", x, y, cx, cy);
    }
    WORD ordinal;
    CHECK(reader.NameOrOrdinal(&ordinal).empty() && ordinal == 0, "the dialog has a menu");
    CHECK(reader.NameOrOrdinal(&ordinal).empty() && ordinal == 0,
          "the dialog names a class of its own");
    const std::wstring caption = reader.String();
    if (caption != kCaption) Fail("caption \"%s\"", Narrow(caption).c_str());
    const WORD points = reader.Word();
    const std::wstring face = reader.String();
    if (points != 8 || face != L"MS Sans Serif") {
        Fail("font %u pt \"%s\", expected 8 pt \"MS Sans Serif\"", points, Narrow(face).c_str());
    }
    for (int i = 0; i < kControlCount && i < count && !reader.overrun; i++) {
        const ExpectedControl &want = kControls[i];
        reader.AlignDword(data);
        const DWORD itemStyle = reader.Dword();
        const DWORD itemExtended = reader.Dword();
        const short ix = reader.Short(), iy = reader.Short();
        const short icx = reader.Short(), icy = reader.Short();
        const int id = static_cast<short>(reader.Word());
        WORD classOrdinal;
        std::wstring className = reader.NameOrOrdinal(&classOrdinal);
        WORD textOrdinal;
        std::wstring text = reader.NameOrOrdinal(&textOrdinal);
        const WORD extra = reader.Word();
        reader.cursor += extra;
        if (id != want.id) Fail("control %d: id %d, expected %d", i + 1, id, want.id);
        if (itemStyle != want.style) {
            Fail("control %d: style 0x%08lX, expected 0x%08lX", i + 1, itemStyle, want.style);
        }
        if (itemExtended != 0) Fail("control %d: extended style 0x%lX", i + 1, itemExtended);
        if (ix != want.x || iy != want.y || icx != want.cx || icy != want.cy) {
            Fail("control %d: at %d,%d size %dx%d, expected %d,%d %dx%d", i + 1, ix, iy, icx, icy,
                 want.x, want.y, want.cx, want.cy);
        }
        const bool classMatches = want.classOrdinal
                                      ? classOrdinal == want.classOrdinal ||
                                            _wcsicmp(className.c_str(), want.className) == 0
                                      : _wcsicmp(className.c_str(), want.className) == 0;
        if (!classMatches) {
            Fail("control %d: class \"%s\" (ordinal 0x%04X), expected %s", i + 1,
                 Narrow(className).c_str(), classOrdinal, Narrow(want.className).c_str());
        }
        if (textOrdinal || text != want.text) {
            Fail("control %d: text \"%s\", expected \"%s\"", i + 1, Narrow(text).c_str(),
                 Narrow(want.text).c_str());
        }
        CHECK(extra == 0, "a control carries creation data");
    }
    CHECK(!reader.overrun, "the template ends early");
}

struct LanguageList {
    std::vector<WORD> languages;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR parameter) {
    reinterpret_cast<LanguageList *>(parameter)->languages.push_back(language);
    return TRUE;
}

// The template read straight from the executable's resources.
bool LoadTemplate(HMODULE *module, const BYTE **data, DWORD *size) {
    *module = LoadLibraryExA(gHarness.scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!*module) {
        Fail("cannot load %s as data", gHarness.scr.c_str());
        return false;
    }
    HRSRC resource = FindResourceExW(*module, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                                     MAKEINTRESOURCEW(kDialogId),
                                     MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT));
    if (!resource) {
        Fail("no DIALOG 2003 under language 1029");
        return false;
    }
    *size = SizeofResource(*module, resource);
    *data = static_cast<const BYTE *>(LockResource(LoadResource(*module, resource)));
    return *data != nullptr;
}

// Whether the executable's export table names `wanted`, read from the file
// itself so that a 32-bit saver can be checked from a 64-bit driver.
bool ExportsName(const char *wanted) {
    FILE *file = std::fopen(gHarness.scr.c_str(), "rb");
    if (!file) return false;
    std::vector<BYTE> image;
    BYTE chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        image.insert(image.end(), chunk, chunk + n);
    }
    std::fclose(file);
    auto at = [&](size_t offset, size_t bytes) -> const BYTE * {
        return offset + bytes <= image.size() ? image.data() + offset : nullptr;
    };
    const BYTE *dos = at(0, sizeof(IMAGE_DOS_HEADER));
    if (!dos) return false;
    const LONG peOffset = reinterpret_cast<const IMAGE_DOS_HEADER *>(dos)->e_lfanew;
    const BYTE *nt = at(peOffset, sizeof(IMAGE_NT_HEADERS32));
    if (!nt) return false;
    const IMAGE_FILE_HEADER *header = &reinterpret_cast<const IMAGE_NT_HEADERS32 *>(nt)->FileHeader;
    const BYTE *optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    const WORD magic = *reinterpret_cast<const WORD *>(optional);
    const IMAGE_DATA_DIRECTORY *directories =
        magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_OPTIONAL_HEADER64 *>(optional)->DataDirectory
            : reinterpret_cast<const IMAGE_OPTIONAL_HEADER32 *>(optional)->DataDirectory;
    const IMAGE_SECTION_HEADER *sections = reinterpret_cast<const IMAGE_SECTION_HEADER *>(
        optional + header->SizeOfOptionalHeader);
    auto fromRva = [&](DWORD rva, size_t bytes) -> const BYTE * {
        for (WORD i = 0; i < header->NumberOfSections; i++) {
            const IMAGE_SECTION_HEADER &section = sections[i];
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                return at(section.PointerToRawData + (rva - section.VirtualAddress), bytes);
            }
        }
        return nullptr;
    };
    const IMAGE_DATA_DIRECTORY &exportDirectory = directories[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const BYTE *exports = fromRva(exportDirectory.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY));
    if (!exportDirectory.VirtualAddress || !exports) return false;
    const IMAGE_EXPORT_DIRECTORY *table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(exports);
    const BYTE *names = fromRva(table->AddressOfNames, table->NumberOfNames * 4);
    if (!names) return false;
    for (DWORD i = 0; i < table->NumberOfNames; i++) {
        const BYTE *name = fromRva(reinterpret_cast<const DWORD *>(names)[i], std::strlen(wanted) + 1);
        if (name && std::memcmp(name, wanted, std::strlen(wanted) + 1) == 0) return true;
    }
    return false;
}

// ---------------------------------------------------------------- cases

void CaseTemplate() {
    HMODULE module;
    const BYTE *data;
    DWORD size;
    if (!LoadTemplate(&module, &data, &size)) return;
    CheckTemplate(data, size);
    LanguageList list;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(kDialogId),
                           CollectLanguage, reinterpret_cast<LONG_PTR>(&list));
    if (list.languages.size() != 1) {
        Fail("DIALOG 2003 exists in %u languages, expected only 1029",
             static_cast<unsigned>(list.languages.size()));
    }
    CHECK(ExportsName("ScreenSaverConfigureDialog"),
          "orb.scr does not export ScreenSaverConfigureDialog by that name");
}
const CaseRegistration kTemplateCase("template", CaseTemplate);

// The registry store on its own, in this process: what LoadSettings and
// StoreSettings make of each shape of stored value.
struct LoadResult {
    int ok;
    int32_t first, second, third;
};

LoadResult Load() {
    LoadResult result{-1, -1, -1, -1};
    result.ok = LoadSettings(kSettingsValue, &result.first, &result.second, &result.third);
    return result;
}

void ExpectLoad(const char *what, int ok, int32_t first, int32_t second, int32_t third) {
    const LoadResult got = Load();
    if (got.ok != ok || got.first != first || got.second != second || got.third != third) {
        Fail("%s: LoadSettings gave %d (%d, %d, %d), expected %d (%d, %d, %d)", what, got.ok,
             static_cast<int>(got.first), static_cast<int>(got.second),
             static_cast<int>(got.third), ok, static_cast<int>(first), static_cast<int>(second),
             static_cast<int>(third));
    }
}

void CaseStore() {
    DeleteKeyTree(kVendorKey);
    ExpectLoad("no key", 0, 0, 0, 0);
    CHECK(LoadDimPercent() == 30, "no key: DimPercent is not 30");
    CHECK(!KeyExists(kSettingsKey), "reading created the key");

    const DWORD dword = 55;  // a short value of another type: the bytes count
    WriteSettingsValue(REG_DWORD, &dword, sizeof dword);
    ExpectLoad("4-byte REG_DWORD 55", 1, 55, 0, 0);
    CHECK(LoadDimPercent() == 55, "4-byte 55: DimPercent is not 55");

    const int32_t full[3] = {250, 7, -9};  // read as stored: nothing clamps
    WriteSettingsValue(REG_BINARY, full, sizeof full);
    ExpectLoad("12 bytes 250, 7, -9", 1, 250, 7, -9);
    CHECK(LoadDimPercent() == 250, "250 is not handed on unchanged");

    const int32_t tooLong[4] = {55, 1, 2, 3};
    WriteSettingsValue(REG_BINARY, tooLong, sizeof tooLong);
    ExpectLoad("16-byte value", 0, 0, 0, 0);
    CHECK(LoadDimPercent() == 30, "16-byte value: DimPercent is not 30");

    WriteSettingsValue(REG_BINARY, "", 0);
    ExpectLoad("empty value", 1, 0, 0, 0);

    DeleteKeyTree(kVendorKey);
    StoreSettings(kSettingsValue, 42, 0, 0);
    ExpectRecord(42);
    StoreSettings(kSettingsValue, -5, 1, 2);  // the arguments, in order, whatever they are
    ExpectRecord(-5, 1, 2);
    ExpectLoad("after StoreSettings", 1, -5, 1, 2);

    // Another value name is another value.
    StoreSettings("Orb test other", 1, 2, 3);
    ExpectRecord(-5, 1, 2);
}
const CaseRegistration kStoreCase("store", CaseStore);

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Every label, the notice above all, must fit its control in the dialog's
// own font, or its end is cut off.
void CaseTextsFit() {
    HMODULE module;
    const BYTE *data;
    DWORD size;
    if (!LoadTemplate(&module, &data, &size)) return;
    InitCommonControls();
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(data), nullptr,
                                             QuietDialogProc, 0);
    if (!dialog) {
        Fail("cannot build the dialog from its template (error %lu)", GetLastError());
        return;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64];
        GetClassNameW(child, className, 64);
        if (_wcsicmp(className, L"Static") != 0) continue;
        wchar_t text[256];
        GetWindowTextW(child, text, 256);
        RECT client;
        GetClientRect(child, &client);
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, 0, 0};
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        std::printf("  \"%s\": %ld x %ld px in %ld x %ld\n", Narrow(text).c_str(), needed.right,
                    needed.bottom, client.right, client.bottom);
        if (needed.right > client.right || needed.bottom > client.bottom) {
            Fail("\"%s\" does not fit its control", Narrow(text).c_str());
        }
    }
    DestroyWindow(dialog);
}
const CaseRegistration kTextsFitCase("texts_fit", CaseTextsFit);

}  // namespace
