// Looks into the slides and masters of a saved presentation where the reader
// does not: which master a slide atom names, where a title placeholder sits,
// which colour scheme a slide carries. It can also restyle a main master (move
// its title, change its background colour), so that tests tell masters apart.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_types.h"
#include "pptfile/record_walker.h"

namespace pptfile::testing {

// The container record (slide or master) at `offset` of the document stream.
inline WalkedRecord ContainerAt(std::span<const std::uint8_t> doc, std::size_t offset) {
    const std::vector<WalkedRecord> found =
        WalkRecords(doc, offset, offset + 8 + Le32(doc, offset + 4));
    return found.front();
}

// The anchor record of the first shape that is a placeholder of `kind`.
inline const WalkedRecord* PlaceholderAnchor(std::span<const std::uint8_t> doc,
                                             const WalkedRecord& record, std::uint8_t kind) {
    if (record.type == RT_OfficeArtSpContainer) {
        const WalkedRecord* data = record.Child(RT_OfficeArtClientData);
        const WalkedRecord* anchor = record.Child(RT_OfficeArtClientAnchor);
        const WalkedRecord* placeholder = data ? data->Child(RT_PlaceholderAtom) : nullptr;
        if (placeholder != nullptr && anchor != nullptr && placeholder->length >= 5 &&
            placeholder->Body(doc)[4] == kind) {
            return anchor;
        }
        return nullptr;
    }
    for (const WalkedRecord& child : record.children) {
        if (const WalkedRecord* found = PlaceholderAnchor(doc, child, kind)) {
            return found;
        }
    }
    return nullptr;
}

inline std::int32_t AnchorField(std::span<const std::uint8_t> body, std::size_t index) {
    if (body.size() == 8) {
        return static_cast<std::int16_t>(Le16(body, 2 * index));
    }
    return static_cast<std::int32_t>(Le32(body, 4 * index));
}

// Where the placeholder of `kind` sits on the slide or master at `offset`.
inline std::optional<Rect> PlaceholderRect(std::span<const std::uint8_t> doc, std::size_t offset,
                                           std::uint8_t kind) {
    const WalkedRecord container = ContainerAt(doc, offset);
    const WalkedRecord* anchor = PlaceholderAnchor(doc, container, kind);
    if (anchor == nullptr) {
        return std::nullopt;
    }
    const auto body = anchor->Body(doc);
    const std::int32_t top = AnchorField(body, 0), left = AnchorField(body, 1),
                       right = AnchorField(body, 2), bottom = AnchorField(body, 3);
    return Rect{static_cast<float>(left) / 8.0f, static_cast<float>(top) / 8.0f,
                static_cast<float>(right - left) / 8.0f, static_cast<float>(bottom - top) / 8.0f};
}

// The master the slide atom of the slide or master at `offset` names.
inline std::uint32_t SlideAtomMaster(std::span<const std::uint8_t> doc, std::size_t offset) {
    const WalkedRecord container = ContainerAt(doc, offset);
    const WalkedRecord* atom = container.Child(RT_SlideAtom);
    if (atom == nullptr) {
        throw std::runtime_error("no slide atom");
    }
    return Le32(atom->Body(doc), 12);
}

// The colour scheme the slide or master at `offset` carries as its own.
inline std::vector<std::uint8_t> OwnColourScheme(std::span<const std::uint8_t> doc,
                                                 std::size_t offset) {
    const WalkedRecord container = ContainerAt(doc, offset);
    for (const WalkedRecord* scheme : container.All(RT_ColorSchemeAtom)) {
        if (scheme->instance == 1) {
            const auto body = scheme->Body(doc);
            return {body.begin(), body.end()};
        }
    }
    return {};
}

// The file `file` with main master `master_id`'s title placeholder moved to
// `to` and the background colour of its own colour scheme, if it has one,
// made 0x123456; every other byte stays.
inline std::vector<std::uint8_t> RestyleMaster(std::span<const std::uint8_t> file,
                                               std::uint32_t master_id, Rect to) {
    const SourcePresentation source = SourcePresentation::FromBytes(file);
    const MainMasterInfo* master = source.parsed().FindMainMaster(master_id);
    if (master == nullptr) {
        throw std::runtime_error("no main master " + std::to_string(master_id));
    }
    StorageEntry root = source.parsed().root;
    std::vector<std::uint8_t>& doc = root.Find("PowerPoint Document")->data;
    const WalkedRecord container = ContainerAt(doc, master->listed.offset);
    const WalkedRecord* anchor = PlaceholderAnchor(doc, container, 0x01);
    if (anchor == nullptr) {
        throw std::runtime_error("the master has no title placeholder");
    }
    const std::int32_t fields[4] = {static_cast<std::int32_t>(to.top * 8),
                                    static_cast<std::int32_t>(to.left * 8),
                                    static_cast<std::int32_t>((to.left + to.width) * 8),
                                    static_cast<std::int32_t>((to.top + to.height) * 8)};
    const std::size_t size = anchor->length == 8 ? 2 : 4;
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t b = 0; b < size; ++b) {
            doc[anchor->offset + 8 + i * size + b] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(fields[i]) >> (8 * b));
        }
    }
    for (const WalkedRecord* scheme : container.All(RT_ColorSchemeAtom)) {
        if (scheme->instance == 1 && scheme->length >= 4) {
            doc[scheme->offset + 8] = 0x12;
            doc[scheme->offset + 9] = 0x34;
            doc[scheme->offset + 10] = 0x56;
        }
    }
    return WriteCompoundFile(root);
}

}  // namespace pptfile::testing
