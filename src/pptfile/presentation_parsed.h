// What the reader learnt of a presentation file, kept for whoever writes a new
// version of it: the whole compound file, and where the live records of the
// "PowerPoint Document" stream are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"

namespace pptfile {

// The user edit the file's current state starts from.
struct UserEditFields {
    std::size_t offset = 0;  // of the record in the document stream
    std::uint32_t last_slide_id = 0;
    std::uint16_t version = 0;
    std::uint8_t minor_version = 0;
    std::uint8_t major_version = 3;
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

    // The current user edit; `recovered` tells that its chain of earlier
    // edits was broken and was rebuilt from the records found in the stream.
    UserEditFields last_edit;
    bool recovered = false;
    // "Current User" is a sound record pointing at an edit; a new version of
    // the file may keep it and change only that pointer.
    bool current_user_valid = false;

    // Persist id -> offset in the document stream, after every edit applied.
    std::map<std::uint32_t, std::uint32_t> persist_directory;
    std::uint32_t max_persist_id = 0;  // the highest id in use or reserved

    std::size_t document_offset = 0;                         // of the DocumentContainer record
    std::vector<ListedSlide> slides;                         // in show order
    std::vector<ListedSlide> masters;                        // main masters and title masters
    std::vector<MainMasterInfo> main_masters;                // in list order
    std::map<std::uint32_t, std::size_t> main_master_index;  // master id -> the first listed
    // Title master id -> the main master id its slide atom names.
    std::map<std::uint32_t, std::uint32_t> title_masters;
    std::uint32_t max_slide_id = 0;    // of slides (masters use another range)
    std::uint32_t ex_obj_id_seed = 0;  // from the object list, 0 without one

    float slide_width = kDefaultSlideWidth;
    float slide_height = kDefaultSlideHeight;
    std::vector<SlideSummary> summaries;  // Slides(), in show order

    // The "PowerPoint Document" stream inside `root`.
    const std::vector<std::uint8_t>& DocumentStream() const;

    // The first main master listed, the one new slides follow by default; null
    // in a file without one.
    const MainMasterInfo* FirstMainMaster() const noexcept {
        return main_masters.empty() ? nullptr : &main_masters.front();
    }
    // The first main master listed with identifier `master_id`, or null.
    const MainMasterInfo* FindMainMaster(std::uint32_t master_id) const noexcept;
    // The main master a slide atom's master reference leads to, through a
    // title master if it names one; null when it leads nowhere.
    const MainMasterInfo* FollowMaster(std::uint32_t master_id) const noexcept;
};

}  // namespace pptfile
