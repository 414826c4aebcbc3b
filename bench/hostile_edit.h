// Presentations made hostile: one user edit appended that makes it hostile
// in one of the ways that once cost time quadratic in its size (many
// entries, all naming one large record made of many small ones), a property
// set whose properties all share one value, a dual storage in a dual
// storage, a drawing group whose record of identifiers is garbage. The
// hostile template maker of bench/ and the command-line tests build their
// templates with them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "pptfile/edit_records.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"
#include "pptfile/record_writer.h"
#include "support/compound.h"

namespace hostile {

// A record type no reader knows, so every reader skips it.
inline constexpr std::uint16_t kSmallRecord = 0x0FFF;

// A user edit ([MS-PPT] 2.3.3) after the one at `previous`, which a whole
// save never writes.
inline void WriteLinkedUserEdit(pptfile::RecordWriter& w, std::uint32_t previous,
                                std::uint32_t directory, std::uint32_t document,
                                std::uint32_t max_persist_id) {
    const auto atom = w.Begin(pptfile::RT_UserEditAtom);
    for (std::uint32_t v : {0u, 0x03000000u, previous, directory, document, max_persist_id, 1u}) {
        w.U32(v);
    }
    w.End(atom);
}

// Appends one user edit ([MS-PPT] 2.3.3) to `root`'s document stream: a copy
// of the first slide (or, for "masters", the first main master) padded with
// `padding` small records in front, and `entries` names for it: in the master
// list ("masters"), in the slide list ("slides"), or in the persist directory
// alone ("persist-ids"); or, for "records", `entries` small records, each with
// a name of its own in the persist directory. Identifiers stop at the
// largest a directory holds.
inline void AppendHostileEdit(cfb::StorageEntry& root, const std::string& shape,
                              std::size_t padding, std::uint32_t entries) {
    using namespace pptfile;
    std::vector<std::uint8_t>& doc = test_support::Data(*root.Find(kDocumentStream));
    const SourcePresentation source = test_support::Open(cfb::WriteCompoundFile(root));
    const SourcePresentation::Parsed& p = source.parsed();
    entries = std::min(entries, 0xFFFFFu - p.max_persist_id);
    const bool masters = shape == "masters";
    const std::size_t original =
        masters ? p.main_masters.front().listed.offset : p.slides.front().offset;

    RecordWriter w;
    w.Bytes(doc);
    PersistDirectory directory;
    const Record large = *TryReadRecord(doc, original);
    const auto large_offset = static_cast<std::uint32_t>(w.Size());
    const auto container = w.BeginContainer(large.type(), large.instance());
    for (std::size_t i = 0; i < padding; ++i) {
        w.End(w.Begin(kSmallRecord));
    }
    w.Bytes(large.body);
    w.End(container);
    for (std::uint32_t i = 1; i <= entries; ++i) {
        directory.Set(p.max_persist_id + i, large_offset);
        if (shape == "records") {
            directory.Set(p.max_persist_id + i, static_cast<std::uint32_t>(w.Size()));
            w.End(w.Begin(kSmallRecord));
        }
    }

    if (shape != "persist-ids" && shape != "records") {
        const std::uint16_t listed = masters ? 1 : 0;
        directory.Set(p.last_edit.doc_persist_id, static_cast<std::uint32_t>(w.Size()));
        const Record document = *TryReadRecord(doc, p.document_offset);
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

    const auto directory_offset = static_cast<std::uint32_t>(w.Size());
    WritePersistDirectory(w, directory);
    const auto edit_offset = static_cast<std::uint32_t>(w.Size());
    WriteLinkedUserEdit(w, static_cast<std::uint32_t>(p.last_edit.offset), directory_offset,
                        p.last_edit.doc_persist_id, p.max_persist_id + entries);
    doc = w.Take();
    test_support::Data(*root.Find(kCurrentUserStream)) = CurrentUserStream(edit_offset);
}

// A "95 & 97" file whose 97 part holds another, older one.
inline void NestDualStorage(cfb::StorageEntry& root) {
    cfb::StorageEntry dual = root;
    dual.name = u"PP97_DUALSTORAGE";
    root.children.push_back(dual);
    root.children.back().children.push_back(dual);
}

// The drawing group's record of the identifiers in use ([MS-ODRAW] 2.2.48),
// every field and cluster entry a drawing id of 70,355,528, as a real
// template had it.
inline void GarbageClusterTable(cfb::StorageEntry& root) {
    std::vector<std::uint8_t>& doc = test_support::Data(*root.Find(pptfile::kDocumentStream));
    const std::uint8_t block[] = {0x00, 0x00, 0x06, 0xF0};
    const auto at = static_cast<std::size_t>(
        std::find_end(doc.begin(), doc.end(), std::begin(block), std::end(block)) - doc.begin());
    for (std::size_t field = 0; field < test_support::Le32(doc, at + 4); field += 4) {
        test_support::Put32(doc, at + 8 + field, 70355528);
    }
}

// A "\x05DocumentSummaryInformation" stream whose one section lists
// `properties` properties, every one at the same offset: one blob of
// `value_size` bytes.
inline std::vector<std::uint8_t> SharedValueProperties(std::uint32_t properties,
                                                       std::uint32_t value_size) {
    pptfile::RecordWriter w;
    w.U16(0xFFFE);  // byte order
    w.U16(0);
    w.U32(0x00020006);
    w.Zeros(16);  // class id
    w.U32(1);     // one section: {D5CDD502-2E9C-101B-9397-08002B2CF9AE}
    constexpr std::uint8_t kFormat[] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                        0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
    w.Bytes(kFormat);
    w.U32(48);
    const std::uint32_t value_at = 8 + 8 * properties;
    w.U32(value_at + 8 + value_size);  // section size
    w.U32(properties);
    for (std::uint32_t i = 0; i < properties; ++i) {
        w.U32(0x100 + i);
        w.U32(value_at);
    }
    w.U32(0x0041);  // VT_BLOB
    w.U32(value_size);
    w.Zeros(value_size);
    return w.Take();
}

}  // namespace hostile
