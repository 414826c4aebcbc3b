// Builds small PowerPoint 97-2003 files record by record, with knobs for the
// faults the reader must survive: broken edit links, missing persist entries,
// deep shape groups, control storages that lie about their size.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/record_types.h"
#include "pptfile/record_writer.h"

namespace pptfile::testing {

struct BuiltControl {
    std::u16string prog_id = u"TRELVO.TrelvoCtrl.1";
    std::int16_t top = 909, left = 480, right = 5280, bottom = 4109;  // master units
    ClassId clsid{0x11, 0x22, 0x33, 0x44};
    std::vector<std::uint8_t> contents{'C', ':', '\\', 'a', '.', 'z', 'b', 'n'};
    bool compressed = true;
    // Written as the stated size of a compressed storage when non-zero.
    std::uint32_t stated_size_override = 0;
};

struct BuiltSlide {
    std::u16string title;
    bool title_in_shape = true;  // else only in the slide list, referenced by index
    std::vector<BuiltControl> controls;
};

enum class EditLink { kGood, kSelf, kPastEnd, kIntoRecord, kForward };

struct BuildOptions {
    std::int32_t width = 5760;
    std::int32_t height = 4320;
    std::vector<BuiltSlide> slides;
    int group_depth = 1;  // groups around each slide's shapes
    bool second_edit = false;
    EditLink second_edit_link = EditLink::kGood;
    std::uint32_t header_token = 0xE391C05Fu;
    bool drop_first_slide_from_directory = false;
    bool list_first_slide_twice = false;
    bool second_edit_reuses_directory = false;
    bool current_user = true;
    std::uint32_t current_edit_override = 0;  // non-zero: written instead of the real offset
};

inline std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(size);
    if (compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) {
        throw std::runtime_error("compress failed");
    }
    out.resize(size);
    return out;
}

inline void WriteShape(RecordWriter& w, std::uint32_t spid, std::uint32_t flags) {
    auto sp = w.Begin(RT_OfficeArtFSP, 1, 2);
    w.U32(spid);
    w.U32(flags);
    w.End(sp);
}

inline void WriteAnchor(RecordWriter& w, std::int16_t top, std::int16_t left, std::int16_t right,
                        std::int16_t bottom) {
    auto a = w.Begin(RT_OfficeArtClientAnchor);
    w.I16(top);
    w.I16(left);
    w.I16(right);
    w.I16(bottom);
    w.End(a);
}

inline void WritePlaceholder(RecordWriter& w, std::uint8_t kind) {
    auto cd = w.BeginContainer(RT_OfficeArtClientData);
    auto ph = w.Begin(RT_PlaceholderAtom);
    w.I32(0);
    w.U8(kind);
    w.U8(0);
    w.U16(0);
    w.End(ph);
    w.End(cd);
}

// A drawing with a title placeholder of `kind` and one shape per control.
inline void WriteDrawing(RecordWriter& w, std::uint8_t kind, const std::u16string* title,
                         bool title_by_reference, const std::vector<std::uint32_t>& ex_obj_ids,
                         const std::vector<BuiltControl>& controls, int group_depth) {
    auto drawing = w.BeginContainer(RT_Drawing);
    auto dg = w.BeginContainer(RT_OfficeArtDgContainer);
    auto fdg = w.Begin(RT_OfficeArtFDG, 1);
    w.U32(3);
    w.U32(0x401);
    w.End(fdg);
    std::vector<RecordWriter::Mark> groups;
    for (int i = 0; i < group_depth; ++i) {
        groups.push_back(w.BeginContainer(RT_OfficeArtSpgrContainer));
    }

    auto title_sp = w.BeginContainer(RT_OfficeArtSpContainer);
    WriteShape(w, 0x402, 0xA00);
    WriteAnchor(w, 173, 288, 5472, 893);
    WritePlaceholder(w, kind);
    if (title != nullptr) {
        auto tb = w.BeginContainer(RT_OfficeArtClientTextbox);
        if (title_by_reference) {
            auto ref = w.Begin(RT_OutlineTextRefAtom);
            w.U32(0);
            w.End(ref);
        } else {
            auto th = w.Begin(RT_TextHeaderAtom);
            w.U32(0);
            w.End(th);
            auto tc = w.Begin(RT_TextCharsAtom);
            w.Utf16(*title);
            w.End(tc);
        }
        w.End(tb);
    }
    w.End(title_sp);

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const BuiltControl& c = controls[i];
        auto sp = w.BeginContainer(RT_OfficeArtSpContainer);
        WriteShape(w, 0x403 + static_cast<std::uint32_t>(i), 0xA10);
        WriteAnchor(w, c.top, c.left, c.right, c.bottom);
        auto cd = w.BeginContainer(RT_OfficeArtClientData);
        auto ref = w.Begin(RT_ExternalObjectRefAtom);
        w.U32(ex_obj_ids[i]);
        w.End(ref);
        w.End(cd);
        w.End(sp);
    }
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        w.End(*it);
    }
    w.End(dg);
    w.End(drawing);
}

inline std::vector<std::uint8_t> BuildFile(const BuildOptions& o) {
    RecordWriter w;
    // Persist ids: 1 document, 2 master, then slides, then control storages.
    std::vector<std::uint32_t> offsets;  // by persist id - 1
    std::uint32_t next_ex_obj = 1;
    struct ControlPlan {
        std::uint32_t ex_obj_id, persist_id, slide_id;
        const BuiltControl* control;
    };
    std::vector<ControlPlan> plans;
    std::vector<std::vector<std::uint32_t>> slide_ex_ids;
    std::uint32_t next_persist = 3 + static_cast<std::uint32_t>(o.slides.size());
    for (std::size_t s = 0; s < o.slides.size(); ++s) {
        slide_ex_ids.emplace_back();
        for (const BuiltControl& c : o.slides[s].controls) {
            plans.push_back({next_ex_obj, next_persist++, 256 + static_cast<std::uint32_t>(s), &c});
            slide_ex_ids.back().push_back(next_ex_obj++);
        }
    }

    auto write_document = [&] {
        auto doc = w.BeginContainer(RT_Document);
        auto atom = w.Begin(RT_DocumentAtom, 0, 1);
        w.I32(o.width);
        w.I32(o.height);
        w.I32(4320);
        w.I32(5760);
        w.I32(1);
        w.I32(2);
        w.U32(0);
        w.U32(0);
        w.U16(1);
        w.U16(0);
        w.U32(0);
        w.End(atom);
        if (!plans.empty()) {
            auto list = w.BeginContainer(RT_ExternalObjectList);
            auto la = w.Begin(RT_ExternalObjectListAtom);
            w.U32(next_ex_obj - 1);
            w.End(la);
            for (const ControlPlan& p : plans) {
                auto ctl = w.BeginContainer(RT_ExternalOleControl);
                auto ca = w.Begin(RT_ExternalOleControlAtom);
                w.U32(p.slide_id);
                w.End(ca);
                auto ole = w.Begin(RT_ExternalOleObjectAtom, 0, 1);
                w.U32(1);
                w.U32(2);
                w.U32(p.ex_obj_id);
                w.U32(0);
                w.U32(p.persist_id);
                w.U32(0);
                w.End(ole);
                w.CStringAtom(u"Control", 1);
                w.CStringAtom(p.control->prog_id, 2);
                w.CStringAtom(u"Control", 3);
                w.End(ctl);
            }
            w.End(list);
        }
        auto masters = w.BeginContainer(RT_SlideListWithText, 1);
        auto mp = w.Begin(RT_SlidePersistAtom);
        w.U32(2);
        w.U32(0);
        w.I32(0);
        w.U32(0x80000000u);
        w.U32(0);
        w.End(mp);
        w.End(masters);
        if (!o.slides.empty()) {
            auto list = w.BeginContainer(RT_SlideListWithText, 0);
            const std::size_t listed = o.slides.size() + (o.list_first_slide_twice ? 1 : 0);
            for (std::size_t i = 0; i < listed; ++i) {
                const std::size_t s = i % o.slides.size();
                auto sp = w.Begin(RT_SlidePersistAtom);
                w.U32(3 + static_cast<std::uint32_t>(s));
                w.U32(0);
                w.I32(1);
                w.U32(256 + static_cast<std::uint32_t>(s));
                w.U32(0);
                w.End(sp);
                auto th = w.Begin(RT_TextHeaderAtom);
                w.U32(0);
                w.End(th);
                auto tc = w.Begin(RT_TextCharsAtom);
                w.Utf16(o.slides[s].title);
                w.End(tc);
            }
            w.End(list);
        }
        w.Atom(RT_EndDocumentAtom, {});
        w.End(doc);
    };

    offsets.push_back(static_cast<std::uint32_t>(w.Size()));
    write_document();
    offsets.push_back(static_cast<std::uint32_t>(w.Size()));
    {
        auto master = w.BeginContainer(RT_MainMaster);
        WriteDrawing(w, 0x01, nullptr, false, {}, {}, 1);
        w.End(master);
    }
    for (std::size_t s = 0; s < o.slides.size(); ++s) {
        offsets.push_back(static_cast<std::uint32_t>(w.Size()));
        auto slide = w.BeginContainer(RT_Slide);
        WriteDrawing(w, 0x0D, &o.slides[s].title, !o.slides[s].title_in_shape, slide_ex_ids[s],
                     o.slides[s].controls, o.group_depth);
        w.End(slide);
    }
    for (const ControlPlan& p : plans) {
        offsets.push_back(static_cast<std::uint32_t>(w.Size()));
        StorageEntry root;
        root.is_storage = true;
        root.clsid = p.control->clsid;
        StorageEntry contents;
        contents.name = "contents";
        contents.data = p.control->contents;
        root.children.push_back(contents);
        const std::vector<std::uint8_t> storage = WriteCompoundFile(root);
        if (p.control->compressed) {
            auto stg = w.Begin(RT_ExternalOleObjectStg, 1);
            w.U32(p.control->stated_size_override != 0
                      ? p.control->stated_size_override
                      : static_cast<std::uint32_t>(storage.size()));
            w.Bytes(Compress(storage));
            w.End(stg);
        } else {
            w.Atom(RT_ExternalOleObjectStg, storage);
        }
    }

    auto write_directory = [&](const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges) {
        auto dir = w.Begin(RT_PersistDirectoryAtom);
        for (const auto& [first, count] : ranges) {
            w.U32(first | (count << 20));
            for (std::uint32_t i = 0; i < count; ++i) {
                w.U32(offsets[first - 1 + i]);
            }
        }
        w.End(dir);
    };
    auto write_edit = [&](std::uint32_t link, std::uint32_t dir_offset) {
        auto e = w.Begin(RT_UserEditAtom);
        w.U32(256);
        w.U16(0);
        w.U8(0);
        w.U8(3);
        w.U32(link);
        w.U32(dir_offset);
        w.U32(1);
        w.U32(static_cast<std::uint32_t>(offsets.size()));
        w.U16(1);
        w.U16(0);
        w.End(e);
    };

    const std::uint32_t dir1 = static_cast<std::uint32_t>(w.Size());
    const auto total = static_cast<std::uint32_t>(offsets.size());
    if (o.drop_first_slide_from_directory && !o.slides.empty()) {
        write_directory({{1, 2}, {4, total - 3}});
    } else {
        write_directory({{1, total}});
    }
    const std::uint32_t edit1 = static_cast<std::uint32_t>(w.Size());
    write_edit(0, dir1);
    std::uint32_t current = edit1;

    if (o.second_edit) {
        offsets[0] = static_cast<std::uint32_t>(w.Size());
        write_document();
        const std::uint32_t dir2 = static_cast<std::uint32_t>(w.Size());
        write_directory({{1, 1}});
        current = static_cast<std::uint32_t>(w.Size());
        std::uint32_t link = edit1;
        switch (o.second_edit_link) {
            case EditLink::kGood:
                break;
            case EditLink::kSelf:
                link = current;
                break;
            case EditLink::kPastEnd:
                link = 0x7FFFFFF0u;
                break;
            case EditLink::kIntoRecord:
                link = edit1 + 4;
                break;
            case EditLink::kForward:
                link = current + 8;
                break;
        }
        write_edit(link, o.second_edit_reuses_directory ? dir1 : dir2);
    }

    StorageEntry root;
    root.is_storage = true;
    StorageEntry doc;
    doc.name = "PowerPoint Document";
    doc.data = w.Take();
    root.children.push_back(std::move(doc));
    if (o.current_user) {
        RecordWriter cu;
        auto atom = cu.Begin(RT_CurrentUserAtom);
        cu.U32(0x14);
        cu.U32(o.header_token);
        cu.U32(o.current_edit_override != 0 ? o.current_edit_override : current);
        cu.U16(4);
        cu.U16(0x03F4);
        cu.U8(3);
        cu.U8(0);
        cu.U16(0);
        cu.Bytes(std::vector<std::uint8_t>{'t', 'e', 's', 't'});
        cu.U32(8);
        cu.End(atom);
        StorageEntry stream;
        stream.name = "Current User";
        stream.data = cu.Take();
        root.children.push_back(std::move(stream));
    }
    return WriteCompoundFile(root);
}

}  // namespace pptfile::testing
