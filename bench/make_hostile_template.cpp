// Makes a design template of about the requested size from a good one, hostile
// in one of the ways that once cost time quadratic in its size: many entries,
// all naming one large record made of many small ones.
//   make_hostile_template BASE.ppt OUTPUT.pot SHAPE SIZE_IN_KIB
// SHAPE is one of
//   masters      the master list names the first main master again and again
//   slides       the slide list names the first slide again and again
//   persist-ids  the persist directory names the first slide again and again
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/edit_records.h"
#include "pptfile/file_io.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"
#include "pptfile/record_writer.h"

namespace {

using namespace pptfile;

constexpr std::uint16_t kSmallRecord = 0x0FFF;   // a type no reader knows: skipped
constexpr std::size_t kEntryBytes = 8 + 20 + 4;  // a list entry and its directory offset

// Appends one user edit ([MS-PPT] 2.3.3) to `root`'s document stream: a record
// padded with `padding` small ones, and `entries` names for it.
void AppendHostileEdit(StorageEntry& root, const std::string& shape, std::size_t padding,
                       std::uint32_t entries) {
    std::vector<std::uint8_t>& doc = root.Find("PowerPoint Document")->data;
    const SourcePresentation source = SourcePresentation::FromBytes(WriteCompoundFile(root));
    const SourcePresentation::Parsed& p = source.parsed();
    const bool masters = shape == "masters";
    const std::size_t original =
        masters ? p.main_masters.front().listed.offset : p.slides.front().offset;

    RecordWriter w;
    w.Bytes(doc);
    std::map<std::uint32_t, std::uint32_t> directory;
    const Record large = ReadRecord(doc, original, "the record to enlarge");
    const auto large_offset = static_cast<std::uint32_t>(w.Size());
    const auto container = w.BeginContainer(large.type(), large.instance());
    for (std::size_t i = 0; i < padding; ++i)
        w.End(w.Begin(kSmallRecord));
    w.Bytes(large.body);
    w.End(container);
    for (std::uint32_t i = 1; i <= entries; ++i)
        directory[p.max_persist_id + i] = large_offset;

    if (shape != "persist-ids") {
        const std::uint16_t listed = masters ? 1 : 0;
        directory[p.last_edit.doc_persist_id] = static_cast<std::uint32_t>(w.Size());
        const Record document = ReadRecord(doc, p.document_offset, "the document");
        const auto copy = w.BeginContainer(RT_Document);
        RecordCursor children(document.body);
        while (auto child = children.Next()) {
            if (child->type() != RT_SlideListWithText || child->instance() != listed) {
                w.Bytes(document.body.subspan(child->offset, child->End() - child->offset));
                continue;
            }
            const auto list = w.BeginContainer(RT_SlideListWithText, listed);
            for (std::uint32_t i = 1; i <= entries; ++i) {
                const auto entry = w.Begin(RT_SlidePersistAtom);
                w.U32(p.max_persist_id + i);
                w.Zeros(8);
                w.U32((masters ? 0x80000000u : 0x100u) + i);  // master or slide id
                w.Zeros(4);
                w.End(entry);
            }
            w.End(list);
        }
        w.End(copy);
    }

    UserEdit edit;
    edit.previous_edit_offset = static_cast<std::uint32_t>(p.last_edit.offset);
    edit.directory_offset = static_cast<std::uint32_t>(w.Size());
    WritePersistDirectory(w, directory);
    edit.document_persist_id = p.last_edit.doc_persist_id;
    edit.max_persist_id = p.max_persist_id + entries;
    const auto edit_offset = static_cast<std::uint32_t>(w.Size());
    WriteUserEdit(w, edit);
    doc = w.Take();
    root.Find("Current User")->data = CurrentUserStream(edit_offset, false);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs(
            "usage: make_hostile_template BASE.ppt OUTPUT.pot masters|slides|persist-ids "
            "SIZE_IN_KIB\n",
            stderr);
        return 2;
    }
    const std::string shape = argv[3];
    const long kib = std::strtol(argv[4], nullptr, 10);
    if (shape != "masters" && shape != "slides" && shape != "persist-ids") {
        std::fprintf(stderr, "make_hostile_template: unknown shape %s\n", argv[3]);
        return 2;
    }
    // Half the size is the large record, half the entries naming it.
    const std::size_t half = static_cast<std::size_t>(kib > 0 ? kib : 1) * 512;
    const auto entries = static_cast<std::uint32_t>(
        std::min<std::size_t>(half / (shape == "persist-ids" ? 4 : kEntryBytes), 0xF0000));
    try {
        StorageEntry root = ReadCompoundFile(ReadWholeFile(argv[1]));
        AppendHostileEdit(root, shape, half / kRecordHeaderSize, entries);
        const std::vector<std::uint8_t> bytes = WriteCompoundFile(root);
        std::ofstream(argv[2], std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_hostile_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
