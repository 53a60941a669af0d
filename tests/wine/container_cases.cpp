// container_cases.cpp -- "Scrsvr.lib" in the folder the saver starts in: a
// valid one is played (a bouncing and an appearing test sprite), anything
// else (corrupt, cut off, empty, huge, a folder, locked, unreadable) is
// passed over for the built-in ball.
#include "picture.h"
#include "saver_cases.h"

#include <cstdlib>

std::vector<uint8_t> SolidContainer(int w, int h, int mode, int frames, int level) {
    std::vector<uint32_t> words;  // each pixel sampled at its own place
    for (int row = 0; row < h; ++row) {
        uint32_t first = row == 0 ? 0u : (uint32_t)(1024 - (w - 1));  // back to the row's start
        words.push_back(0);  // repeat run: one copy
        words.push_back(first << 8 | (uint32_t)level);
        words.push_back((uint32_t)(w - 2));  // repeat run: w - 1 copies
        words.push_back(1u << 8 | (uint32_t)level);
    }
    std::vector<uint8_t> plain;
    for (uint32_t word : words)
        for (int i = 0; i < 4; ++i) plain.push_back((uint8_t)(word >> (8 * i)));
    std::vector<uint8_t> stream;  // LZSS with literals only: flag bits of 1
    for (size_t i = 0; i < plain.size(); i += 8) {
        size_t n = plain.size() - i < 8 ? plain.size() - i : 8;
        stream.push_back((uint8_t)((1u << n) - 1));
        stream.insert(stream.end(), plain.begin() + i, plain.begin() + i + n);
    }
    std::vector<uint8_t> c(36 + 256, 0);
    std::memcpy(c.data(), "MERVSoft", 8);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) c[at + i] = (uint8_t)(v >> (8 * i));
    };
    put32(36, (uint32_t)c.size());
    put32(40, (uint32_t)w);
    put32(44, (uint32_t)h);
    c[48] = (uint8_t)mode;
    c[49] = (uint8_t)frames;
    for (int f = 0; f < frames; ++f) {
        size_t at = c.size();
        c.resize(at + 8 + stream.size());
        put32(at, (uint32_t)stream.size());
        std::memcpy(&c[at + 4], stream.data(), stream.size());
        put32(at + 4 + stream.size(), (uint32_t)stream.size());
    }
    return c;
}

std::vector<uint8_t> BuiltinContainer() {
    std::vector<uint8_t> bytes;
    HMODULE module = LoadLibraryExA(gHarness.scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return bytes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(250), (LPCSTR)RT_RCDATA);
    if (found) {
        const uint8_t *data = (const uint8_t *)LockResource(LoadResource(module, found));
        if (data) bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

std::string ContainerFolder() {
    std::string folder = InRunDir("cwd");
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\Scrsvr.lib").c_str());
    return folder;
}

namespace {

// Tracks the solid test sprite with small, fast screen reads. Returns the
// positions seen, in order, without repeats; checks every sighting's size
// and colours.
std::vector<POINT> TrackSolidSprite(int w, int h, int level, DWORD ms, int *sightings) {
    std::vector<POINT> path;
    *sightings = 0;
    Shot shot;
    RECT area = {0, 0, ScreenWidth(), ScreenHeight()};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        ReadScreen(area.left, area.top, area.right - area.left, area.bottom - area.top, &shot);
        Comparison c = CompareWithDimmed(shot, 30);
        if (c.mismatches == 0) {
            area = {0, 0, ScreenWidth(), ScreenHeight()};
            continue;
        }
        ++*sightings;
        int x = c.box.left, y = c.box.top;
        if (BoxWidth(c.box) != w || BoxHeight(c.box) != h || c.box.left < area.left + 1 ||
            c.box.top < area.top + 1 || c.box.right > area.right - 1 ||
            c.box.bottom > area.bottom - 1) {
            if (area.right - area.left < ScreenWidth()) {  // ran out of the window: look again
                area = {0, 0, ScreenWidth(), ScreenHeight()};
                continue;
            }
            Fail("the sprite shows as a %dx%d box at (%d,%d), wanted %dx%d", BoxWidth(c.box),
                 BoxHeight(c.box), x, y, w, h);
            break;
        }
        for (int sy = y; sy < y + h; ++sy)
            for (int sx = x; sx < x + w; ++sx) {
                uint32_t dimmed = Dim(Picture(sx, sy), 30);
                uint32_t wanted = (sx == x + w - 1 && sy == y + h - 1) ? dimmed : Light(dimmed, level);
                if (shot.At(sx, sy) != wanted) {
                    Fail("sprite pixel (%d,%d) is %06X, wanted %06X", sx - x, sy - y,
                         shot.At(sx, sy), wanted);
                    return path;
                }
            }
        if (path.empty() || path.back().x != x || path.back().y != y) path.push_back({x, y});
        area = {x - 12, y - 12, x + w + 12, y + h + 12};
        if (area.left < 0) area.left = 0;
        if (area.top < 0) area.top = 0;
        if (area.right > ScreenWidth()) area.right = ScreenWidth();
        if (area.bottom > ScreenHeight()) area.bottom = ScreenHeight();
    }
    return path;
}

// The saver over the test picture, started in a folder whose "Scrsvr.lib"
// holds a solid test sprite (see SolidContainer).
Saver StartWithSolidSprite(int w, int h, int mode, int frames, int level) {
    std::string folder = ContainerFolder();
    std::vector<uint8_t> container = SolidContainer(w, h, mode, frames, level);
    WriteFileBytes(folder + "\\Scrsvr.lib", container.data(), container.size());
    return StartOverPicture(30, folder.c_str(), 64, nullptr);
}

// A bouncing test sprite from "Scrsvr.lib" (64 x 48, so it cannot be the
// built-in ball) moves 2 pixels per tick along each axis.
void CaseContainerBounce() {
    const int w = 64, h = 48, level = 4;
    Saver saver = StartWithSolidSprite(w, h, 1, 30, level);
    int sightings = 0;
    std::vector<POINT> path = TrackSolidSprite(w, h, level, 1500, &sightings);
    int W = ScreenWidth(), H = ScreenHeight();
    int unitSteps = 0, diagonal = 0, odd = 0;
    for (size_t i = 1; i < path.size(); ++i) {
        int dx = path[i].x - path[i - 1].x, dy = path[i].y - path[i - 1].y;
        int nearEdge = path[i].x < 16 || path[i].y < 16 || path[i].x > W - w - 16 ||
                       path[i].y > H - h - 16;
        if (nearEdge) continue;  // a bounce may lie between the two sightings
        if (std::abs(dx) == 2 && std::abs(dy) == 2) ++unitSteps;
        if (std::abs(dx) == std::abs(dy) && dx % 2 == 0) ++diagonal;
        else ++odd;
        if (odd == 1 && !(std::abs(dx) == std::abs(dy) && dx % 2 == 0))
            Note("step (%d,%d) from (%ld,%ld)", dx, dy, path[i - 1].x, path[i - 1].y);
    }
    Note("%d sightings, %zu positions, %d steps of exactly 2 px", sightings, path.size(), unitSteps);
    CHECK(path.size() >= 10, "the sprite was seen at only %zu places", path.size());
    CHECK(unitSteps >= 3, "no run of single 2-pixel ticks was seen (%d)", unitSteps);
    CHECK(odd == 0, "%d moves were not equal steps of 2 pixels per tick on both axes", odd);
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i].x < 2 || path[i].y < 2 || path[i].x > W - w - 2 || path[i].y > H - h - 2) {
            Fail("the sprite left the bounce range: (%ld,%ld)", path[i].x, path[i].y);
            break;
        }
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kContainerBounceCase("container-bounce", CaseContainerBounce);

// An appearing test sprite: it shows up, stays in place for its frames,
// vanishes, and shows up elsewhere.
void CaseContainerAppear() {
    const int w = 64, h = 48, level = 4;
    Saver saver = StartWithSolidSprite(w, h, 2, 15, level);
    Shot shot;
    int appearances = 0, gaps = 0, visible = 0;
    POINT at = {-1, -1};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 3000) {
        ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
        Comparison c = CompareWithDimmed(shot, 30);
        if (c.mismatches == 0) {
            if (visible) ++gaps;
            visible = 0;
            continue;
        }
        if (BoxWidth(c.box) != w || BoxHeight(c.box) != h) {
            Fail("the sprite shows as a %dx%d box, wanted %dx%d", BoxWidth(c.box),
                 BoxHeight(c.box), w, h);
            break;
        }
        if (!visible || at.x != c.box.left || at.y != c.box.top) ++appearances;
        visible = 1;
        at = {c.box.left, c.box.top};
    }
    Note("%d appearances, %d disappearances in 3 s", appearances, gaps);
    CHECK(appearances >= 2 && gaps >= 2, "the sprite did not come and go (%d appearances, %d gaps)",
          appearances, gaps);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kContainerAppearCase("container-appear", CaseContainerAppear);

// A "Scrsvr.lib" that is no container, or a cut-off one, is passed over: the
// built-in ball plays.
void CaseContainerBad(int truncate) {
    std::string folder = ContainerFolder();
    std::vector<uint8_t> bytes;
    if (truncate) {
        bytes = BuiltinContainer();
        CHECK(bytes.size() > 4096, "cannot read the built-in container from orb.scr");
        bytes.resize(bytes.size() / 3);
    } else {
        for (int i = 0; i < 5000; ++i) bytes.push_back((uint8_t)(i * 37 + 11));
    }
    WriteFileBytes(folder + "\\Scrsvr.lib", bytes.data(), bytes.size());
    Comparison seen;
    Saver saver = StartOverPicture(30, folder.c_str(), kBall, &seen);
    CHECK(BoxWidth(seen.box) > 64 || BoxHeight(seen.box) > 64,
          "the ball is only %dx%d", BoxWidth(seen.box), BoxHeight(seen.box));
    ExpectBallMoves(30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kContainerCorruptCase("container-corrupt", [] { CaseContainerBad(0); });
const CaseRegistration kContainerTruncatedCase("container-truncated", [] { CaseContainerBad(1); });

// ---------------------------------------------------------------- unusable files

// A valid container for a 64 x 48 sprite at the head of each file that must
// not be played: if the saver read it anyway, that small sprite would show
// instead of the built-in ball.
const int kSmallSide = 64;

std::string LibPath(const std::string &folder) { return folder + "\\Scrsvr.lib"; }

// The built-in ball (not the small sprite) plays over the darkened picture
// and a key ends it with 0.
void ExpectBuiltinBall(const std::string &folder, const char *what) {
    Comparison seen = {};
    Saver saver = StartOverPicture(30, folder.c_str(), kBall, &seen);
    CHECK(BoxWidth(seen.box) > kSmallSide || BoxHeight(seen.box) > kSmallSide,
          "%s: the sprite is only %dx%d, not the built-in ball", what, BoxWidth(seen.box),
          BoxHeight(seen.box));
    ExpectBallMoves(30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, what);
    Stop(saver);
    ExpectNothingLeft(what);
    WaitForPicture(3000);
}

// A file of `size` bytes that starts with the small container; the rest is
// a hole, so it costs no disk.
int WriteSparseLib(const std::string &path, uint64_t size) {
    std::vector<uint8_t> head = SolidContainer(kSmallSide, 48, 1, 4, 4);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(file, head.data(), (DWORD)head.size(), &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    int ok = written == head.size() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
             SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

// Whether a handle of our own (the saver's would be no different) can read
// the file's first bytes.
int ReadableThroughAnotherHandle(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char bytes[16];
    DWORD got = 0;
    int ok = ReadFile(file, bytes, sizeof bytes, &got, nullptr) && got == sizeof bytes;
    CloseHandle(file);
    return ok;
}

void CaseContainerFiles() {
    UnmanagedSaverWindows quickClose;
    std::string folder = ContainerFolder();
    std::string lib = LibPath(folder);

    WriteFileBytes(lib, nullptr, 0);
    ExpectBuiltinBall(folder, "an empty Scrsvr.lib");
    DeleteFileA(lib.c_str());

    // Past the largest container the saver takes, past 2 GiB (a negative
    // 32-bit length) and past 4 GiB (a length that wraps to something small).
    const uint64_t hugeSizes[] = {300ull << 20, 3ull << 30, (4ull << 30) + 4096};
    for (uint64_t size : hugeSizes) {
        char what[64];
        std::snprintf(what, sizeof what, "a Scrsvr.lib of %llu bytes", (unsigned long long)size);
        if (!WriteSparseLib(lib, size)) {
            Fail("cannot make %s", what);
            continue;
        }
        ExpectBuiltinBall(folder, what);
        DeleteFileA(lib.c_str());
    }

    CHECK(CreateDirectoryA(lib.c_str(), nullptr), "cannot make a folder named Scrsvr.lib");
    ExpectBuiltinBall(folder, "a folder named Scrsvr.lib");
    RemoveDirectoryA(lib.c_str());

    // Held open by us with no sharing: the saver cannot open it.
    std::vector<uint8_t> small = SolidContainer(kSmallSide, 48, 1, 4, 4);
    WriteFileBytes(lib, small.data(), small.size());
    HANDLE held = CreateFileA(lib.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE, "cannot hold Scrsvr.lib open");
    ExpectBuiltinBall(folder, "a Scrsvr.lib held open without sharing");
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

    // Shared for reading but locked from end to end: the saver opens it and
    // learns its length, and then the read fails.
    held = CreateFileA(lib.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    OVERLAPPED whole = {};
    CHECK(held != INVALID_HANDLE_VALUE &&
              LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                         MAXDWORD, &whole),
          "cannot lock Scrsvr.lib");
    if (ReadableThroughAnotherHandle(lib))
        Note("a lock does not keep other handles from reading here; not tested");
    else
        ExpectBuiltinBall(folder, "a Scrsvr.lib locked against reading");
    if (held != INVALID_HANDLE_VALUE) {
        UnlockFileEx(held, 0, MAXDWORD, MAXDWORD, &whole);
        CloseHandle(held);
    }

    // No access for anyone (under Wine: no permission bits on the Unix
    // file). A user who may read anything regardless (root) cannot test it.
    SECURITY_DESCRIPTOR nobody;
    InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE);
    CHECK(SetFileSecurityA(lib.c_str(), DACL_SECURITY_INFORMATION, &nobody),
          "cannot take the access to Scrsvr.lib away (error %lu)", GetLastError());
    if (ReadableThroughAnotherHandle(lib)) {
        Note("a Scrsvr.lib without access rights is still readable to this user; not tested");
    } else {
        ExpectBuiltinBall(folder, "a Scrsvr.lib without access rights");
    }
    SECURITY_DESCRIPTOR anyone;  // a null DACL: access for everyone again
    InitializeSecurityDescriptor(&anyone, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&anyone, TRUE, nullptr, FALSE);
    SetFileSecurityA(lib.c_str(), DACL_SECURITY_INFORMATION, &anyone);
    DeleteFileA(lib.c_str());
}
const CaseRegistration kHostileContainerFilesCase("hostile-container-files", CaseContainerFiles);

}  // namespace
