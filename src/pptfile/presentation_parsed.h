// What the reader learnt of a presentation file, kept for the save.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "cfb/compound_file.h"
#include "pptfile/document_stream.h"
#include "pptfile/edit_records.h"
#include "pptfile/presentation.h"

namespace pptfile {

inline constexpr char kNotPowerPoint[] = "not a PowerPoint 97-2003 file";
inline constexpr char kEncrypted[] = "the template is encrypted";
inline constexpr char kTooOld[] = "a PowerPoint 95 or older file, not 97-2003";

// The user edit the file's current state starts from.
struct UserEditFields {
    std::size_t offset = 0;  // of the record in the document stream
    std::uint32_t offset_last_edit = 0;
    std::uint32_t offset_persist_directory = 0;
    std::uint32_t doc_persist_id = 0;
    std::uint32_t persist_id_seed = 0;
    std::uint16_t last_view = 0;
    std::uint32_t encrypt_session_persist_id = 0;  // 0 where the record has none
};

// A slide or master as listed by the document: its persist object and id.
struct ListedSlide {
    std::uint32_t persist_id = 0;
    std::uint32_t slide_id = 0;
    std::size_t offset = 0;  // of its container in the document stream
};

// A main master: where it is listed and where it puts a title.
struct MainMasterInfo {
    ListedSlide listed;
    Rect title_rect = kDefaultTitleRect;
};

// What the drawings of the file take of the drawing and shape identifiers.
struct DrawingUse {
    struct Cluster {
        std::uint32_t drawing_id = 0;
        std::uint32_t largest = 0;  // shape identifier
    };
    std::map<std::uint32_t, Cluster> clusters;  // by cluster number
    std::uint32_t shapes = 0;                   // counted by the drawings
    std::uint32_t drawings = 0;
    std::uint32_t max_drawing_id = 0;
};

struct SourcePresentation::Parsed {
    std::unique_ptr<const cfb::ByteSource> source;
    std::unique_ptr<const cfb::CompoundFile> file;
    // The presentation's storage: the file's root, or the 97-2003 part of a
    // "PowerPoint 95 & 97" file, with every stream and storage it holds.
    cfb::StorageEntry root;
    std::unique_ptr<DocumentStream> doc;

    UserEditFields last_edit;
    std::vector<std::uint8_t> current_user;  // kept with its pointer changed; empty if it cannot be

    // Persist id -> offset in the document stream, after every edit applied.
    PersistDirectory persist_directory;
    std::uint32_t max_persist_id = 0;  // the highest id in use or reserved
    // The records the directory names, in the order of their offsets: one
    // record may have several names, and none lies inside another.
    struct Object {
        std::uint32_t offset;
        std::uint32_t size;  // with the header
    };
    std::vector<Object> objects;
    // The one at `offset`; the directory names only records of `objects`.
    std::size_t ObjectAt(std::uint32_t offset) const {
        return static_cast<std::size_t>(
            std::ranges::lower_bound(objects, offset, {}, &Object::offset) - objects.begin());
    }

    std::size_t document_offset = 0;  // of the DocumentContainer record
    std::uint32_t notes_master = 0;   // persist ids, 0 for none
    std::uint32_t handout_master = 0;
    std::vector<ListedSlide> slides;                         // in show order
    std::vector<ListedSlide> masters;                        // main masters and title masters
    std::vector<std::uint32_t> notes;                        // persist ids, in list order
    std::vector<MainMasterInfo> main_masters;                // in list order
    std::map<std::uint32_t, std::size_t> main_master_index;  // master id -> the first listed
    std::map<std::uint32_t, std::uint32_t> title_masters;    // title master id -> main master id
    // The highest identifiers in use, so that what a save adds is numbered past them.
    std::uint32_t max_slide_id = 0;
    std::uint32_t max_object_id = 0;
    DrawingUse drawing_use;

    float slide_width = 720.0f;
    std::vector<SlideSummary> summaries;  // Slides(), in show order

    const MainMasterInfo* FindMainMaster(std::uint32_t master_id) const noexcept {
        const auto it = main_master_index.find(master_id);
        return it != main_master_index.end() ? &main_masters[it->second] : nullptr;
    }
    // The main master that a slide naming `master_id` shows, through a title
    // master if it names one; the first where it leads nowhere or names none.
    // Null in a file without a main master.
    const MainMasterInfo* MasterOf(std::optional<std::uint32_t> master_id) const noexcept;
};

inline const cfb::StorageEntry* FindStream(const cfb::StorageEntry& storage,
                                           std::u16string_view name) {
    const cfb::StorageEntry* e = storage.Find(name);
    return e != nullptr && !e->is_storage ? e : nullptr;
}

// Reads "Current User", the user edits and their persist directories into `p`.
// With `looks_old`, a file without a sound "Current User" is PowerPoint 95's.
void ReadEditHistory(SourcePresentation::Parsed& p, bool looks_old);

}  // namespace pptfile
