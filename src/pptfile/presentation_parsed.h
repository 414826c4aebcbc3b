// What the reader learnt of a presentation file, kept for the writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/edit_records.h"
#include "pptfile/presentation.h"
#include "pptfile/record_reader.h"

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
    bool has_encrypt_session = false;  // the record carries the optional last field
    std::uint32_t encrypt_session_persist_id = 0;
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

struct SourcePresentation::Parsed {
    StorageEntry root;  // the whole compound file, every stream and storage

    UserEditFields last_edit;
    bool recovered = false;           // the edit chain was broken and rebuilt from the stream
    bool current_user_valid = false;  // "Current User" may be kept, its pointer changed

    // Persist id -> offset in the document stream, after every edit applied.
    PersistDirectory persist_directory;
    std::uint32_t max_persist_id = 0;  // the highest id in use or reserved

    std::size_t document_offset = 0;                         // of the DocumentContainer record
    std::vector<ListedSlide> slides;                         // in show order
    std::vector<ListedSlide> masters;                        // main masters and title masters
    std::vector<MainMasterInfo> main_masters;                // in list order
    std::map<std::uint32_t, std::size_t> main_master_index;  // master id -> the first listed
    std::map<std::uint32_t, std::uint32_t> title_masters;    // title master id -> main master id
    // The highest identifiers in use, so that what a save adds is numbered past them.
    std::uint32_t max_slide_id = 0;
    std::uint32_t max_object_id = 0;
    std::uint32_t max_drawing_id = 0;
    std::uint32_t max_shape_id = 0;

    float slide_width = kDefaultSlideWidth;
    std::vector<SlideSummary> summaries;  // Slides(), in show order

    const std::vector<std::uint8_t>& DocumentStream() const;

    // Null in a file without a main master.
    const MainMasterInfo* FirstMainMaster() const noexcept {
        return main_masters.empty() ? nullptr : &main_masters.front();
    }
    const MainMasterInfo* FindMainMaster(std::uint32_t master_id) const noexcept;
    // Through a title master if `master_id` names one; null when it leads nowhere.
    const MainMasterInfo* FollowMaster(std::uint32_t master_id) const noexcept;
};

const StorageEntry* FindStream(const StorageEntry& storage, std::string_view name);

// Reads "Current User", the user edits and their persist directories into `p`.
// With `looks_old`, a file without a sound "Current User" is PowerPoint 95's.
void ReadEditHistory(SourcePresentation::Parsed& p, Bytes doc, bool looks_old);

}  // namespace pptfile
