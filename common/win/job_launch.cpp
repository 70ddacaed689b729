#include "common/win/job_launch.h"

#include <windows.h>

#include <vector>

#include "common/command_lines.h"
#include "framework/strings.h"
#include "framework/win/handles.h"
#include "framework/win/system_folder.h"

namespace merovix {
namespace {

// A job whose processes end when its last handle closes, reporting to a
// completion port when its processes end.
struct Job {
  UniqueHandle job, port;
};

Job MakeJob() {
  Job made{UniqueHandle(CreateJobObjectA(nullptr, nullptr)),
           UniqueHandle(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1))};
  if (!made.job || !made.port) return {};
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
  association.CompletionKey = made.job.get();
  association.CompletionPort = made.port.get();
  if (!SetInformationJobObject(made.job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
      !SetInformationJobObject(made.job.get(), JobObjectAssociateCompletionPortInformation, &association,
                               sizeof(association))) {
    return {};
  }
  return made;
}

// Lets the job's processes outlive its handle.
void LetRunOn(HANDLE job) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
}

// A program of `folder` or one below it (the product's own, which it may
// start in turn), or the console host that serves the console of one: the
// system puts that in its client's job, and it ends with its client.
bool KeptProgram(DWORD process_id, const std::string& folder) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  char path[MAX_PATH * 2] = {};
  DWORD size = sizeof(path);
  if (!process || !QueryFullProcessImageNameA(process.get(), 0, path, &size)) return false;
  const std::string_view image(path, size);
  const std::string prefix = folder + "\\";
  return (image.size() > prefix.size() && AsciiSameText(image.substr(0, prefix.size()), prefix)) ||
         AsciiSameText(image, SystemProgram("conhost.exe"));
}

// True when every process left in the job is a kept program of `folder`.
bool OnlyKeptProgramsLeft(HANDLE job, const std::string& folder) {
  if (folder.empty()) return false;
  constexpr DWORD kMostIds = 64;
  std::vector<char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + kMostIds * sizeof(ULONG_PTR));
  auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
  if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, static_cast<DWORD>(buffer.size()),
                                 nullptr) ||
      list->NumberOfProcessIdsInList < list->NumberOfAssignedProcesses) {
    return false;
  }
  for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
    if (!KeptProgram(static_cast<DWORD>(list->ProcessIdList[i]), folder)) return false;
  }
  return true;
}

// The job's last message may come a moment before the process counts as ended.
std::optional<std::uint32_t> ExitCode(HANDLE process) {
  constexpr DWORD kEndingMs = 1000;
  DWORD code = 0;
  if (WaitForSingleObject(process, kEndingMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
    return std::nullopt;
  }
  return code;
}

// Waits for the job's messages until it is empty, or its program has ended
// and only kept programs are left; false when the limit passed first.
bool AwaitJob(const Job& job, HANDLE process, DWORD limit_ms, const std::string& kept_folder) {
  const ULONGLONG deadline = GetTickCount64() + limit_ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    if (!GetQueuedCompletionStatus(job.port.get(), &message, &key, &detail, static_cast<DWORD>(deadline - now))) {
      if (detail == nullptr) return false;  // the time-out, or the port is gone
      continue;
    }
    if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) return true;
    const bool a_process_ended = message == JOB_OBJECT_MSG_EXIT_PROCESS ||
                                 message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS;
    if (a_process_ended && WaitForSingleObject(process, 0) == WAIT_OBJECT_0 &&
        OnlyKeptProgramsLeft(job.job.get(), kept_folder)) {
      LetRunOn(job.job.get());
      return true;
    }
  }
}

}  // namespace

JobRun RunInJobAndWait(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
                       std::uint32_t LimitMs, const std::string& KeptFolder, const std::string& WorkingFolder) {
  std::string command_line = RunAndWaitCommandLine(ExePath, Parameters);
  const std::string folder = WorkingFolder.empty() ? RunAndWaitFolder(ExePath) : WorkingFolder;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowMode;
  UniqueProcessInformation started;
  // Suspended until it is in the job, so that nothing it starts escapes.
  if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, started.put())) {
    return {};
  }
  Job job = MakeJob();
  if (job.job && !AssignProcessToJobObject(job.job.get(), started.process())) job = {};
  ResumeThread(started.thread());
  bool ended = false;
  if (job.job) {
    ended = AwaitJob(job, started.process(), LimitMs, KeptFolder);
    if (!ended) TerminateJobObject(job.job.get(), ERROR_TIMEOUT);
  } else {
    ended = WaitForSingleObject(started.process(), LimitMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(started.process(), ERROR_TIMEOUT);
  }
  if (!ended) {
    WaitForSingleObject(started.process(), 5000);
    return {true, true, std::nullopt};
  }
  return {true, false, ExitCode(started.process())};
}

}  // namespace merovix
