#include "dlgtool/folder_tree.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <utility>

#include "framework/win/handles.h"

namespace dlgtool {
namespace {

using merovix::UniqueHandle;
using merovix::UniqueRemoteMemory;

constexpr int kTextChars = 520;

// The tree view of another process: item texts are read through a TVITEMW and
// a text buffer that live in that process.
class RemoteTree {
 public:
  RemoteTree(HWND tree, DWORD timeout_ms) : tree_(tree), timeout_ms_(timeout_ms) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(tree, &pid);
    process_.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process_)
      memory_ = std::make_unique<UniqueRemoteMemory>(process_.get(), sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
  }

  bool usable() const { return memory_ && *memory_; }

  bool Send(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) const {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(tree_, message, wparam, lparam, SMTO_ABORTIFHUNG, timeout_ms_, &answer)) return false;
    result = static_cast<LRESULT>(answer);
    return true;
  }

  HTREEITEM Next(HTREEITEM item, UINT relation) const {
    LRESULT result = 0;
    if (!Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item), result)) return nullptr;
    return reinterpret_cast<HTREEITEM>(result);
  }

  std::vector<HTREEITEM> Children(HTREEITEM item) const {
    std::vector<HTREEITEM> children;
    for (HTREEITEM child = Next(item, TVGN_CHILD); child != nullptr && children.size() < 1000;
         child = Next(child, TVGN_NEXT)) {
      children.push_back(child);
    }
    return children;
  }

  std::wstring Text(HTREEITEM item) const {
    auto* remote_item = static_cast<BYTE*>(memory_->get());
    wchar_t* remote_text = reinterpret_cast<wchar_t*>(remote_item + sizeof(TVITEMW));
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = remote_text;
    query.cchTextMax = kTextChars;
    const wchar_t empty = 0;
    LRESULT found = 0;
    SIZE_T moved = 0;
    if (!::WriteProcessMemory(process_.get(), remote_text, &empty, sizeof(empty), &moved) ||
        !::WriteProcessMemory(process_.get(), remote_item, &query, sizeof(query), &moved) ||
        !Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote_item), found) || !found) {
      return {};
    }
    // The tree may answer with a pointer of its own instead of filling the buffer.
    TVITEMW answer{};
    if (!::ReadProcessMemory(process_.get(), remote_item, &answer, sizeof(answer), &moved)) return {};
    wchar_t text[kTextChars] = {};
    if (!::ReadProcessMemory(process_.get(), answer.pszText, text, sizeof(text) - sizeof(wchar_t), &moved)) {
      return {};
    }
    return text;
  }

  bool Expand(HTREEITEM item) const {
    LRESULT ignored = 0;
    return Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), ignored);
  }

  bool Select(HTREEITEM item) const {
    LRESULT ignored = 0;
    return Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item), ignored) &&
           Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), ignored) &&
           Next(nullptr, TVGN_CARET) == item;
  }

 private:
  HWND tree_;
  DWORD timeout_ms_;
  UniqueHandle process_;
  std::unique_ptr<UniqueRemoteMemory> memory_;
};

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  if (part.size() > text.size()) return false;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (SameText(text.substr(at, part.size()), part)) return true;
  }
  return false;
}

using Matcher = std::function<bool(const std::wstring&)>;

// The computer's item as Wine and the versions of Windows name it.
bool IsComputer(const std::wstring& text) {
  return SameText(text, L"My Computer") || SameText(text, L"Computer") || SameText(text, L"This PC");
}

// A drive shows as "label (C:)", "(C:)", "C:\" or "C:".
Matcher DriveMatcher(wchar_t letter) {
  const std::wstring bare = std::wstring(1, letter) + L":";
  return [bare](const std::wstring& text) {
    return SameText(text, bare) || SameText(text, bare + L"\\") || Contains(text, L"(" + bare + L")");
  };
}

// The non-empty pieces of `text` between backslashes.
std::vector<std::wstring> Segments(const std::wstring& text) {
  std::vector<std::wstring> segments;
  std::wstring segment;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == L'\\') {
      if (!segment.empty()) segments.push_back(std::exchange(segment, {}));
    } else {
      segment += text[i];
    }
  }
  return segments;
}

bool IsDrivePath(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' && iswalpha(path[0]);
}

HTREEITEM WaitForRoot(const RemoteTree& tree, DWORD timeout_ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HTREEITEM root = tree.Next(nullptr, TVGN_ROOT)) return root;
    if (::GetTickCount() - start >= timeout_ms) return nullptr;
    ::Sleep(20);
  }
}

}  // namespace

TreeWalk SelectFolderInTree(HWND tree_window, const std::wstring& path, DWORD timeout_ms) {
  TreeWalk walk;
  // A drive path goes through the computer and the drive; other items are
  // named by their texts below the root.
  std::vector<Matcher> steps;
  if (IsDrivePath(path)) steps = {IsComputer, DriveMatcher(path[0])};
  for (const std::wstring& folder : Segments(IsDrivePath(path) ? path.substr(3) : path)) {
    steps.push_back([folder](const std::wstring& text) { return SameText(text, folder); });
  }
  const RemoteTree tree(tree_window, timeout_ms);
  if (!tree.usable()) {
    walk.error = "no memory in the dialog's process";
    return walk;
  }
  HTREEITEM item = WaitForRoot(tree, timeout_ms);
  if (item == nullptr) {
    walk.error = "the tree stayed empty";
    return walk;
  }
  walk.visited.push_back(tree.Text(item));

  for (const Matcher& matches : steps) {
    if (!tree.Expand(item)) {
      walk.error = "the item did not answer the expansion";
      return walk;
    }
    HTREEITEM found = nullptr;
    std::vector<std::wstring> texts;
    for (HTREEITEM child : tree.Children(item)) {
      texts.push_back(tree.Text(child));
      if (matches(texts.back())) {
        found = child;
        break;
      }
    }
    if (found == nullptr) {
      walk.error = "no matching item";
      walk.choices = std::move(texts);
      return walk;
    }
    walk.visited.push_back(texts.back());
    item = found;
  }
  if (!tree.Select(item)) {
    walk.error = "the item could not be selected";
    return walk;
  }
  walk.ok = true;
  return walk;
}

}  // namespace dlgtool
