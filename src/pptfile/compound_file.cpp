#include "pptfile/compound_file.h"

#include <glib-object.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "pptfile/errors.h"
#include "pptfile/library_log.h"

namespace pptfile {
namespace {

struct GObjectUnref {
    void operator()(void* object) const noexcept {
        if (object != nullptr)
            g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* e) const noexcept { g_error_free(e); }
};

// Far deeper than any real file nests; keeps a crafted directory from
// exhausting the stack.
constexpr int kMaxDepth = 32;
// Entry names are at most 31 UTF-16 units, and may not hold these.
constexpr std::size_t kMaxNameUnits = 31;

[[noreturn]] void ThrowBroken(const std::string& what) {
    std::string message = "damaged compound file: " + what;
    const std::string detail = TakeLibraryMessages();
    if (!detail.empty())
        message += " (" + detail + ")";
    throw FormatError(message);
}

struct ReadBudget {
    // A sound file holds each sector once, so its streams together are never
    // larger than the file. Chains that share sectors are caught here.
    std::size_t bytes_left;
    std::size_t entries_left;
};

void ReadChildren(GsfInfile* dir, StorageEntry& into, int depth, ReadBudget& budget) {
    if (depth > kMaxDepth)
        ThrowBroken("storages nested too deeply");
    const int count = gsf_infile_num_children(dir);
    if (count < 0)
        ThrowBroken("a storage cannot be listed");
    for (int i = 0; i < count; ++i) {
        if (budget.entries_left == 0)
            ThrowBroken("more entries than the directory can hold");
        --budget.entries_left;
        const char* name = gsf_infile_name_by_index(dir, i);
        GPtr<GsfInput> child(gsf_infile_child_by_index(dir, i));
        if (child == nullptr || name == nullptr)
            ThrowBroken("an entry cannot be opened");
        StorageEntry entry;
        entry.name = name;
        GsfInfile* as_dir = GSF_IS_INFILE(child.get()) ? GSF_INFILE(child.get()) : nullptr;
        if (as_dir != nullptr && gsf_infile_num_children(as_dir) >= 0) {
            entry.is_storage = true;
            if (GSF_IS_INFILE_MSOLE(child.get())) {
                gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), entry.clsid.data());
            }
            ReadChildren(as_dir, entry, depth + 1, budget);
        } else {
            const gsf_off_t size = gsf_input_size(child.get());
            if (size < 0 || static_cast<std::uint64_t>(size) > budget.bytes_left) {
                ThrowBroken("stream \"" + entry.name + "\" is larger than the file");
            }
            budget.bytes_left -= static_cast<std::size_t>(size);
            entry.data.resize(static_cast<std::size_t>(size));
            std::size_t done = 0;
            while (done < entry.data.size()) {
                const std::size_t chunk = std::min<std::size_t>(entry.data.size() - done, 1u << 16);
                if (gsf_input_read(child.get(), chunk, entry.data.data() + done) == nullptr) {
                    ThrowBroken("stream \"" + entry.name + "\" cannot be read");
                }
                done += chunk;
            }
        }
        into.children.push_back(std::move(entry));
    }
}

void CheckName(const std::string& name) {
    glong units = 0;
    gunichar2* utf16 =
        g_utf8_to_utf16(name.c_str(), static_cast<glong>(name.size()), nullptr, &units, nullptr);
    g_free(utf16);
    if (utf16 == nullptr || name.empty() || static_cast<std::size_t>(units) > kMaxNameUnits ||
        name.find_first_of("/\\:!") != std::string::npos || name.find('\0') != std::string::npos) {
        throw FormatError("cannot store a compound file entry named \"" + name + "\"");
    }
}

// Compound files compare names without regard to case; a second entry of the
// same name would hide the first from every reader.
std::string FoldedName(const std::string& name) {
    std::unique_ptr<gchar, decltype(&g_free)> folded(
        g_utf8_casefold(name.c_str(), static_cast<gssize>(name.size())), &g_free);
    return folded != nullptr ? std::string(folded.get()) : name;
}

void WriteChildren(GsfOutfile* dir, const StorageEntry& from, int depth) {
    if (depth > kMaxDepth)
        throw FormatError("compound file storages nested too deeply");
    std::set<std::string> seen;
    for (const StorageEntry& child : from.children) {
        CheckName(child.name);
        if (!seen.insert(FoldedName(child.name)).second)
            throw FormatError("a compound file storage holds \"" + child.name + "\" twice");
        GPtr<GsfOutput> out(
            gsf_outfile_new_child(dir, child.name.c_str(), child.is_storage ? TRUE : FALSE));
        if (out == nullptr)
            throw FormatError("cannot add \"" + child.name + "\" to a compound file");
        if (child.is_storage) {
            gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out.get()), child.clsid.data());
            WriteChildren(GSF_OUTFILE(out.get()), child, depth + 1);
        } else if (!child.data.empty() &&
                   !gsf_output_write(out.get(), child.data.size(), child.data.data())) {
            throw FormatError("cannot write stream \"" + child.name + "\"");
        }
        // Big streams go straight to the sink as written, so each must be
        // finished before the next one starts.
        if (!gsf_output_close(out.get()))
            throw FormatError("cannot finish \"" + child.name + "\"");
    }
}

}  // namespace

StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes) {
    PrepareCompoundFileLibrary();
    TakeLibraryMessages();
    GPtr<GsfInput> input(
        gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
    if (input == nullptr)
        throw FormatError("not a compound file (empty)");
    GError* raw_error = nullptr;
    GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &raw_error));
    std::unique_ptr<GError, GErrorFree> error(raw_error);
    if (root == nullptr) {
        std::string message = "not a compound file";
        if (error != nullptr && error->message != nullptr)
            message += std::string(" (") + error->message + ")";
        TakeLibraryMessages();
        throw FormatError(message);
    }
    StorageEntry tree;
    tree.name = "Root Entry";
    tree.is_storage = true;
    gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(root.get()), tree.clsid.data());
    // Each directory entry takes 128 bytes of the file.
    ReadBudget budget{bytes.size(), bytes.size() / 128};
    ReadChildren(root.get(), tree, 0, budget);
    TakeLibraryMessages();
    return tree;
}

std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root) {
    PrepareCompoundFileLibrary();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    std::vector<std::uint8_t> result;
    {
        GPtr<GsfOutfile> file(gsf_outfile_msole_new(sink.get()));
        if (file == nullptr)
            throw FormatError("cannot start a compound file");
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), root.clsid.data());
        try {
            WriteChildren(file.get(), root, 0);
        } catch (...) {
            gsf_output_close(GSF_OUTPUT(file.get()));
            TakeLibraryMessages();
            throw;
        }
        if (!gsf_output_close(GSF_OUTPUT(file.get()))) {
            TakeLibraryMessages();
            throw FormatError("cannot finish the compound file");
        }
    }
    const gsf_off_t size = gsf_output_size(sink.get());
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    if (size > 0 && data != nullptr)
        result.assign(data, data + size);
    TakeLibraryMessages();
    return result;
}

}  // namespace pptfile
