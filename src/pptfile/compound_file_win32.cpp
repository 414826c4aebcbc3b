// Compound files through the system's structured storage, kept in memory: the
// bytes live in an ILockBytes on global memory, never in a file.
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/win32_text.h"

namespace pptfile {
namespace {

// Far deeper than any real file nests; keeps a crafted directory from
// exhausting the stack.
constexpr int kMaxDepth = 32;
// Entry names are at most 31 UTF-16 units, and may not hold these.
constexpr std::size_t kMaxNameUnits = 31;
// The system's stream and lock-bytes calls count in 32 bits.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// Owns one reference to a COM interface.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }
    T* get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    T** Out() noexcept {
        Reset();
        return &pointer_;
    }
    void Reset() noexcept {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

  private:
    T* pointer_ = nullptr;
};

// The name a STATSTG carries belongs to the caller.
class StatName {
  public:
    explicit StatName(STATSTG& stat) noexcept : name_(stat.pwcsName) {}
    StatName(const StatName&) = delete;
    StatName& operator=(const StatName&) = delete;
    ~StatName() { ::CoTaskMemFree(name_); }
    const wchar_t* get() const noexcept { return name_; }

  private:
    wchar_t* name_;
};

std::string Describe(HRESULT result) {
    return SystemErrorText(static_cast<unsigned long>(result));
}

[[noreturn]] void ThrowBroken(const std::string& what, HRESULT result) {
    throw FormatError("damaged compound file: " + what + " (" + Describe(result) + ")");
}

[[noreturn]] void ThrowBroken(const std::string& what) {
    throw FormatError("damaged compound file: " + what);
}

ClassId ToClassId(const CLSID& clsid) {
    // A CLSID in memory has the byte order compound files store it in.
    ClassId bytes{};
    std::memcpy(bytes.data(), &clsid, bytes.size());
    return bytes;
}

CLSID ToClsid(const ClassId& bytes) {
    CLSID clsid{};
    std::memcpy(&clsid, bytes.data(), bytes.size());
    return clsid;
}

struct ReadBudget {
    // A sound file holds each sector once, so its streams together are never
    // larger than the file. Chains that share sectors are caught here.
    std::size_t bytes_left;
    std::size_t entries_left;
};

void ReadStream(IStorage* dir, const wchar_t* name, StorageEntry& entry, std::uint64_t size,
                ReadBudget& budget) {
    if (size > budget.bytes_left)
        ThrowBroken("stream \"" + entry.name + "\" is larger than the file");
    budget.bytes_left -= static_cast<std::size_t>(size);
    ComRef<IStream> stream;
    const HRESULT opened =
        dir->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Out());
    if (FAILED(opened))
        ThrowBroken("stream \"" + entry.name + "\" cannot be opened", opened);
    entry.data.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < entry.data.size()) {
        const auto chunk = static_cast<ULONG>(std::min(entry.data.size() - done, kChunk));
        ULONG got = 0;
        const HRESULT read = stream->Read(entry.data.data() + done, chunk, &got);
        if (FAILED(read))
            ThrowBroken("stream \"" + entry.name + "\" cannot be read", read);
        if (got == 0)
            ThrowBroken("stream \"" + entry.name + "\" ends early");
        done += got;
    }
}

void ReadChildren(IStorage* dir, StorageEntry& into, int depth, ReadBudget& budget) {
    if (depth > kMaxDepth)
        ThrowBroken("storages nested too deeply");
    ComRef<IEnumSTATSTG> elements;
    const HRESULT listed = dir->EnumElements(0, nullptr, 0, elements.Out());
    if (FAILED(listed))
        ThrowBroken("a storage cannot be listed", listed);
    for (;;) {
        STATSTG stat{};
        ULONG fetched = 0;
        const HRESULT next = elements->Next(1, &stat, &fetched);
        const StatName name(stat);
        if (FAILED(next))
            ThrowBroken("a storage cannot be listed", next);
        if (next != S_OK || fetched == 0)
            break;
        if (budget.entries_left == 0)
            ThrowBroken("more entries than the directory can hold");
        --budget.entries_left;
        if (name.get() == nullptr)
            ThrowBroken("an entry has no name");
        StorageEntry entry;
        entry.name = Utf8FromWide(name.get());
        if (stat.type == STGTY_STORAGE) {
            entry.is_storage = true;
            entry.clsid = ToClassId(stat.clsid);
            ComRef<IStorage> child;
            const HRESULT opened = dir->OpenStorage(
                name.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, child.Out());
            if (FAILED(opened))
                ThrowBroken("storage \"" + entry.name + "\" cannot be opened", opened);
            ReadChildren(child.get(), entry, depth + 1, budget);
        } else if (stat.type == STGTY_STREAM) {
            ReadStream(dir, name.get(), entry, stat.cbSize.QuadPart, budget);
        } else {
            continue;  // neither kind holds anything of a document
        }
        into.children.push_back(std::move(entry));
    }
}

std::wstring CheckName(const std::string& name) {
    const std::optional<std::wstring> wide = WideFromUtf8(name);
    if (!wide || wide->empty() || wide->size() > kMaxNameUnits ||
        wide->find_first_of(L"/\\:!") != std::wstring::npos ||
        wide->find(L'\0') != std::wstring::npos) {
        throw FormatError("cannot store a compound file entry named \"" + name + "\"");
    }
    return *wide;
}

// Compound files compare names ignoring case; the system would let a second
// entry of the same name replace the first and lose it.
std::wstring Folded(std::wstring name) {
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

void WriteStream(IStorage* dir, const std::wstring& name, const StorageEntry& child) {
    ComRef<IStream> stream;
    const HRESULT created = dir->CreateStream(
        name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Out());
    if (FAILED(created))
        throw FormatError("cannot add \"" + child.name + "\" to a compound file (" +
                          Describe(created) + ")");
    std::size_t done = 0;
    while (done < child.data.size()) {
        const auto chunk = static_cast<ULONG>(std::min(child.data.size() - done, kChunk));
        ULONG wrote = 0;
        const HRESULT result = stream->Write(child.data.data() + done, chunk, &wrote);
        if (FAILED(result) || wrote == 0)
            throw FormatError("cannot write stream \"" + child.name + "\" (" + Describe(result) +
                              ")");
        done += wrote;
    }
}

void WriteChildren(IStorage* dir, const StorageEntry& from, int depth) {
    if (depth > kMaxDepth)
        throw FormatError("compound file storages nested too deeply");
    std::set<std::wstring> seen;
    for (const StorageEntry& child : from.children) {
        const std::wstring name = CheckName(child.name);
        if (!seen.insert(Folded(name)).second)
            throw FormatError("a compound file storage holds \"" + child.name + "\" twice");
        if (!child.is_storage) {
            WriteStream(dir, name, child);
            continue;
        }
        ComRef<IStorage> storage;
        const HRESULT created = dir->CreateStorage(
            name.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, storage.Out());
        if (FAILED(created))
            throw FormatError("cannot add \"" + child.name + "\" to a compound file (" +
                              Describe(created) + ")");
        const HRESULT classed = storage->SetClass(ToClsid(child.clsid));
        if (FAILED(classed))
            throw FormatError("cannot finish \"" + child.name + "\" (" + Describe(classed) + ")");
        WriteChildren(storage.get(), child, depth + 1);
    }
}

void NewLockBytes(ComRef<ILockBytes>& bytes) {
    const HRESULT made = ::CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Out());
    if (FAILED(made))
        throw std::bad_alloc();
}

}  // namespace

StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        throw FormatError("not a compound file (empty)");
    ComRef<ILockBytes> memory;
    NewLockBytes(memory);
    for (std::size_t done = 0; done < bytes.size();) {
        const auto chunk = static_cast<ULONG>(std::min(bytes.size() - done, kChunk));
        ULARGE_INTEGER at{};
        at.QuadPart = done;
        ULONG wrote = 0;
        const HRESULT result = memory->WriteAt(at, bytes.data() + done, chunk, &wrote);
        if (FAILED(result) || wrote == 0)
            throw std::bad_alloc();
        done += wrote;
    }
    if (::StgIsStorageILockBytes(memory.get()) != S_OK)
        throw FormatError("not a compound file");
    ComRef<IStorage> root;
    const HRESULT opened = ::StgOpenStorageOnILockBytes(
        memory.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, root.Out());
    if (FAILED(opened))
        throw FormatError("not a compound file (" + Describe(opened) + ")");

    StorageEntry tree;
    tree.name = "Root Entry";
    tree.is_storage = true;
    STATSTG stat{};
    const HRESULT stated = root->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(stated))
        ThrowBroken("the root cannot be read", stated);
    tree.clsid = ToClassId(stat.clsid);
    // Each directory entry takes 128 bytes of the file.
    ReadBudget budget{bytes.size(), bytes.size() / 128};
    ReadChildren(root.get(), tree, 0, budget);
    return tree;
}

std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root) {
    ComRef<ILockBytes> memory;
    NewLockBytes(memory);
    {
        ComRef<IStorage> file;
        const HRESULT created = ::StgCreateDocfileOnILockBytes(
            memory.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, file.Out());
        if (FAILED(created))
            throw FormatError("cannot start a compound file (" + Describe(created) + ")");
        const HRESULT classed = file->SetClass(ToClsid(root.clsid));
        if (FAILED(classed))
            throw FormatError("cannot start a compound file (" + Describe(classed) + ")");
        WriteChildren(file.get(), root, 0);
        const HRESULT committed = file->Commit(STGC_DEFAULT);
        if (FAILED(committed))
            throw FormatError("cannot finish the compound file (" + Describe(committed) + ")");
    }
    STATSTG stat{};
    const HRESULT stated = memory->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(stated))
        throw FormatError("cannot finish the compound file (" + Describe(stated) + ")");
    std::vector<std::uint8_t> result(static_cast<std::size_t>(stat.cbSize.QuadPart));
    for (std::size_t done = 0; done < result.size();) {
        const auto chunk = static_cast<ULONG>(std::min(result.size() - done, kChunk));
        ULARGE_INTEGER at{};
        at.QuadPart = done;
        ULONG got = 0;
        const HRESULT read = memory->ReadAt(at, result.data() + done, chunk, &got);
        if (FAILED(read) || got == 0)
            throw FormatError("cannot finish the compound file (" + Describe(read) + ")");
        done += got;
    }
    return result;
}

}  // namespace pptfile
