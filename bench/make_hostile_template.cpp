// Makes a design template of about the requested size from a good one, hostile
// in one of the ways that once cost time quadratic in its size: many entries,
// all naming one large record made of many small ones.
//   make_hostile_template BASE.ppt OUTPUT.pot SHAPE SIZE_IN_KIB
// SHAPE is one of
//   masters      the master list names the first main master again and again
//   slides       the slide list names the first slide again and again
//   persist-ids  the persist directory names the first slide again and again
//   directory    as persist-ids, without the large record: every persist id
//                up to the largest a directory holds
//   records      small records, each named by a persist id of its own
//   properties   2048 document summary properties share one value of half
//                the size
// or, whatever the size, one that readers read but that once came out wrong:
//   nested-dual       a "95 & 97" file whose 97 part holds another
//   garbage-clusters  the drawing group's record of identifiers is garbage
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/hostile_edit.h"

namespace {

constexpr std::size_t kEntryBytes = 8 + 20 + 4;  // a list entry and its directory offset

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs(
            "usage: make_hostile_template BASE.ppt OUTPUT.pot "
            "masters|slides|persist-ids|directory|records|properties|nested-dual|"
            "garbage-clusters "
            "SIZE_IN_KIB\n",
            stderr);
        return 2;
    }
    const std::string shape = argv[3];
    const long kib = std::strtol(argv[4], nullptr, 10);
    const std::string kShapes[] = {"masters", "slides",     "persist-ids", "directory",
                                   "records", "properties", "nested-dual", "garbage-clusters"};
    if (std::find(std::begin(kShapes), std::end(kShapes), shape) == std::end(kShapes)) {
        std::fprintf(stderr, "make_hostile_template: unknown shape %s\n", argv[3]);
        return 2;
    }
    // Half the size is the large record, half the entries naming it.
    const std::size_t half = static_cast<std::size_t>(kib > 0 ? kib : 1) * 512;
    const auto entries = static_cast<std::uint32_t>(
        std::min<std::size_t>(half / (shape == "persist-ids" ? 4 : kEntryBytes), 0xF0000));
    try {
        cfb::StorageEntry root = test_support::ReadTree(test_support::ReadFile(argv[1]));
        if (shape == "properties") {
            test_support::Data(*root.Find(pptfile::kDocSummaryStream)) =
                hostile::SharedValueProperties(2048, static_cast<std::uint32_t>(half));
        } else if (shape == "nested-dual") {
            hostile::NestDualStorage(root);
        } else if (shape == "garbage-clusters") {
            hostile::GarbageClusterTable(root);
        } else if (shape == "directory") {
            hostile::AppendHostileEdit(root, "persist-ids", 0,
                                       static_cast<std::uint32_t>(half / 2));
        } else if (shape == "records") {
            hostile::AppendHostileEdit(root, shape, 0, static_cast<std::uint32_t>(half / 6));
        } else {
            hostile::AppendHostileEdit(root, shape, half / pptfile::kRecordHeaderSize, entries);
        }
        test_support::WriteFile(argv[2], cfb::WriteCompoundFile(root));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_hostile_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
