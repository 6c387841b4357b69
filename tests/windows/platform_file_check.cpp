// platform_file's Windows road, run under Wine by `make test-windows`: what the
// binding relies on when it opens, reads and writes MapGIS files there. Paths
// go in as UTF-8; the same names as wide literals check them on disk.
#include "core/platform_file.hpp"

#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tiven::platform::File;
using tiven::platform::same_file;

int passed = 0, failed = 0;

void check(bool ok, int line, const char* what) {
    ok ? ++passed : ++failed;
    if (!ok) std::printf("FAILED line %d: %s\n", line, what);
}
#define CHECK(e) check((e), __LINE__, #e)

struct Name {
    std::string utf8;
    const wchar_t* wide;
};
#define NAME(s) Name{s, L"" s}
#define IN_DIR(s) NAME("tiven_测试_目录\\" s)

const Name kDir = NAME("tiven_测试_目录");
const Name kMap = IN_DIR("tiven_测试_地图.WL");
const Name kLink = IN_DIR("链接.WL");
const Name kOther = IN_DIR("其他.WL");
const Name kMissing = IN_DIR("缺少.WL");
const Name kBig = IN_DIR("大文件.WL");

bool read_is(File& f, int64_t offset, int64_t n, const char* expected, int64_t expected_n) {
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int64_t got = -1;
    return f.read_at(buf.data(), n, offset, got) == 0 && got == expected_n &&
           std::memcmp(buf.data(), expected, static_cast<size_t>(expected_n)) == 0;
}

void write_and_read(const std::string& data) {
    File w;
    size_t written = 0;
    CHECK(w.open_write(kMap.utf8) == 0);
    CHECK(w.write(data.data(), data.size(), written) == 0 && written == data.size());
    CHECK(w.close() == 0 && !w.is_open());
    CHECK(GetFileAttributesW(kMap.wide) != INVALID_FILE_ATTRIBUTES);

    File r;
    const int64_t n = static_cast<int64_t>(data.size());
    CHECK(r.open_read(kMap.utf8) == 0 && r.size() == n);
    CHECK(read_is(r, 0, 16, data.data(), 16));
    CHECK(read_is(r, n / 2, 1000, data.data() + n / 2, 1000));
    CHECK(read_is(r, n - 40, 100, data.data() + n - 40, 40));
    CHECK(read_is(r, n + 5, 10, "", 0));
    CHECK(read_is(r, 0, n, data.data(), n));

    // The source stays open while the binding asks whether a target is it.
    CHECK(same_file(kMap.utf8, "tiven_测试_目录/./tiven_测试_地图.WL"));
    CHECK(same_file(kMap.utf8, "TIVEN_测试_目录\\tiven_测试_地图.wl"));
    CHECK(CreateHardLinkW(kLink.wide, kMap.wide, nullptr) && same_file(kLink.utf8, kMap.utf8));
    File other;
    CHECK(other.open_write(kOther.utf8) == 0 && other.close() == 0);
    CHECK(!same_file(kMap.utf8, kOther.utf8));
    CHECK(!same_file(kMap.utf8, kMissing.utf8) && !same_file(kMissing.utf8, kMissing.utf8));

    // A file open for writing elsewhere can still be read.
    CHECK(w.open_write(kOther.utf8) == 0);
    CHECK(other.open_read(kOther.utf8) == 0);
}

// The binding sets these as errno for the interpreter's own OSError subclasses.
void refusals() {
    File f;
    CHECK(f.open_read(kMissing.utf8) == ENOENT && !f.is_open());
    CHECK(f.open_read(kDir.utf8) == EISDIR && !f.is_open());
    CHECK(f.open_write(kDir.utf8 + "\\缺少\\x.WL") == ENOENT);
    CHECK(f.open_write(kDir.utf8) == EACCES);
    CHECK(f.open_read("\xff.WL") == EINVAL);
}

// Offsets past 4 GiB, where a 32-bit long would wrap.
void big_file() {
    const int64_t mark = (int64_t{1} << 32) + 100;
    HANDLE h = CreateFileW(kBig.wide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    DWORD unused = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);  // a hole, not 4 GiB of zeros
    LARGE_INTEGER at;
    at.QuadPart = mark;
    CHECK(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && WriteFile(h, "MARK", 4, &unused, nullptr) && unused == 4);
    CloseHandle(h);

    File r;
    CHECK(r.open_read(kBig.utf8) == 0 && r.size() == mark + 4);
    CHECK(read_is(r, mark - 2, 8, "\0\0MARK", 6));
    CHECK(read_is(r, mark + 4, 4, "", 0));
    r.close();
    CHECK(DeleteFileW(kBig.wide));
}

}  // namespace

int main() {
    CHECK(CreateDirectoryW(kDir.wide, nullptr));
    std::string data(300000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    write_and_read(data);
    refusals();
    big_file();
    for (const Name* n : {&kMap, &kLink, &kOther}) DeleteFileW(n->wide);
    CHECK(RemoveDirectoryW(kDir.wide));
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
