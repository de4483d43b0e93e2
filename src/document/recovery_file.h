#pragma once
// Crash recovery: while a document window is open and its document is edited, a copy of the
// document waits in the recovery folder, so that a crash, a kill or a power cut loses no
// more than the last few seconds of work.
//
// Each window holds one slot of three files named alike ("document-<pid>-<n>"):
//   .lock     created with the slot and locked (flock) on a descriptor the slot keeps open;
//   .kelvara  the document's file text, written atomically while it is edited;
//   .origin   the path of the file the document belongs to (absent: never saved).
// The kernel drops a process's locks when it dies, however it dies, so a slot whose lock can
// be taken has lost its window: an orphan, which the next start offers to restore. A slot
// whose lock is held belongs to a live window, perhaps of another running Kelvara, and is
// never touched. A clean close removes the slot's files.
//
// Threads: the user-interface thread.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace kelvara {

// $XDG_STATE_HOME/kelvara, or ~/.local/state/kelvara when XDG_STATE_HOME is unset, empty or
// not an absolute path (as the desktop's base-directory rules say). Empty without either.
std::filesystem::path recovery_folder(const char* xdg_state_home, const char* home);
// The same from this process's environment.
std::filesystem::path default_recovery_folder();

class RecoverySlot {
public:
    // A new, locked slot in `folder`, which is made (mode 0700) when missing; nothing is
    // written yet.
    static Result<RecoverySlot> create(const std::filesystem::path& folder);
    // Every orphan in `folder` that holds a document, oldest first, each locked by this
    // process from now on, so that another Kelvara starting at the same moment cannot take
    // it too. The lock files of owners that died before writing anything are removed. A
    // missing folder has no orphans.
    static std::vector<RecoverySlot> claim_orphans(const std::filesystem::path& folder);

    RecoverySlot(RecoverySlot&& other) noexcept;
    RecoverySlot& operator=(RecoverySlot&& other) noexcept;
    RecoverySlot(const RecoverySlot&) = delete;
    RecoverySlot& operator=(const RecoverySlot&) = delete;
    // Releases the lock and leaves the files: what is not discarded stays recoverable.
    ~RecoverySlot();

    // The document's copy (it may not exist yet).
    std::filesystem::path document_path() const;
    // The path of the file the document belongs to; empty for one never saved.
    std::string origin() const;
    bool has_document() const;

    // Replaces the copy with `document_text` atomically, and the origin when it changed.
    Result<void> write(std::string_view document_text, const std::string& origin);
    // Nothing to recover any more (the document was saved, or is back at its saved values);
    // the slot stays locked for the next edit.
    void remove_document();
    // The clean close: every file of the slot removed, the lock released.
    void discard();

private:
    RecoverySlot(std::filesystem::path folder, std::string name, int lock_fd);
    std::filesystem::path path_with(std::string_view extension) const;
    void release();

    std::filesystem::path folder_;
    std::string name_;
    int lock_fd_ = -1;
    std::string written_origin_;
    bool origin_written_ = false;
};

}  // namespace kelvara
