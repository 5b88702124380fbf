// pxlib (an independent Paradox library) reading the fields of every Paradox table named
// on the command line: one line per field with its name, type and size, or the table's
// failure. The yardstick of the structure dump's speed in tools/bench-json.sh.

extern "C" {
#include <paradox.h>
}

#include <cstdio>

namespace {
void quiet(pxdoc_t*, int, const char*, void*)
{}
} // namespace

int main(int argc, char* argv[])
{
    PX_boot();
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        pxdoc_t* doc = PX_new2(quiet, nullptr, nullptr, nullptr);
        if (doc == nullptr || PX_open_file(doc, argv[i]) < 0) {
            std::printf("%s: cannot be read\n", argv[i]);
            ++failed;
        } else {
            std::printf("%s\n", argv[i]);
            const int n = PX_get_num_fields(doc);
            const pxfield_t* fields = PX_get_fields(doc);
            for (int f = 0; f < n; ++f)
                std::printf("  %s %d %d\n", fields[f].px_fname, int(fields[f].px_ftype), fields[f].px_flen);
            PX_close(doc);
        }
        if (doc != nullptr)
            PX_delete(doc);
    }
    PX_shutdown();
    return failed == 0 ? 0 : 1;
}
