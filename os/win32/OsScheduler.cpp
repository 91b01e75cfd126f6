#include "os/OsScheduler.h"

#include <windows.h>
// The scheduler's class and interface identifiers are defined (not only declared) here.
#include <initguid.h>
#include <mstask.h>

#include <cstdio>

#include "os/OsSystem.h"
#include "os/OsText.h"

namespace os {
namespace {

std::wstring Wide(const std::string& narrow) {
  try {
    std::u16string w = NarrowToWide(narrow);
    return std::wstring(w.begin(), w.end());
  } catch (...) {
    throw SchedulerError("XString::WinToWChar error");
  }
}

std::string Narrow(const wchar_t* text) {
  if (!text) return std::string();
  return WideToNarrow(std::u16string(reinterpret_cast<const char16_t*>(text)));
}

// The system's message for a code, or the code itself where the system has no text for it.
std::string Described(HRESULT code) {
  std::string message = ErrorMessage(static_cast<int>(code));
  if (message.empty()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    message = hex;
  }
  return message;
}

void Check(HRESULT result, const std::string& text) {
  if (FAILED(result)) throw SchedulerError(text + Described(result));
}

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (m_p) m_p->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return m_p; }
  T* get() const { return m_p; }
  T** put() { return &m_p; }
  void** putVoid() { return reinterpret_cast<void**>(&m_p); }
  IUnknown** putUnknown() { return reinterpret_cast<IUnknown**>(&m_p); }

 private:
  T* m_p = nullptr;
};

// COM for the calling thread, for as long as the object lives.
class ComScope {
 public:
  ComScope() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Already initialised in another mode: usable all the same, but not ours to end.
    if (result == RPC_E_CHANGED_MODE) return;
    Check(result, "Error, could not initialize COM: ");
    m_initialised = true;
  }
  ~ComScope() {
    if (m_initialised) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool m_initialised = false;
};

void CreateScheduler(ComPtr<ITaskScheduler>& scheduler) {
  Check(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                         scheduler.putVoid()),
        "Error, could not create instance of Task Scheduler: ");
}

bool IsAccountRejected(HRESULT result) {
  return result == SCHED_E_ACCOUNT_INFORMATION_NOT_SET || result == SCHED_E_ACCOUNT_NAME_NOT_FOUND ||
         result == SCHED_E_ACCOUNT_DBASE_CORRUPT || result == E_ACCESSDENIED;
}

}  // namespace

void ScheduleWeeklyTask(const std::string& name, const WeeklyTask& task) {
  const std::wstring taskName = Wide(name);
  const std::wstring application = Wide(task.application);
  const std::wstring parameters = Wide(task.parameters);
  const std::wstring folder = Wide(task.workingDirectory);
  const std::wstring account = Wide(task.account);
  const std::wstring password = Wide(task.password);

  ComScope com;
  ComPtr<ITaskScheduler> scheduler;
  CreateScheduler(scheduler);

  ComPtr<ITask> work;
  if (SUCCEEDED(scheduler->Activate(taskName.c_str(), IID_ITask, work.putUnknown()))) {
    WORD count = 0;
    work->GetTriggerCount(&count);
    // Deleting moves the later triggers down, so the first one is deleted each time.
    for (WORD i = 0; i < count; ++i) {
      Check(work->DeleteTrigger(0),
            "Task Scheduler error: Failure deleting trigger number: " + std::to_string(i) + " ");
    }
  } else {
    Check(scheduler->NewWorkItem(taskName.c_str(), CLSID_CTask, IID_ITask, work.putUnknown()),
          "Task Scheduler error: Failure calling NewWorkItem: ");
  }
  // Set on an existing task too: it must run the file of this scheduling, not the one of the
  // place it was first scheduled from.
  Check(work->SetApplicationName(application.c_str()),
        "Task Scheduler error: Failure calling SetApplicationName: ");
  Check(work->SetParameters(parameters.c_str()), "Task Scheduler error: Failure calling SetParameters: ");
  Check(work->SetWorkingDirectory(folder.c_str()),
        "Task Scheduler error: Failure calling SetWorkingDirectory: ");

  Check(work->SetAccountInformation(account.c_str(), password.c_str()),
        "Task Scheduler error: Failure calling SetAccountInformation: ");

  ComPtr<ITaskTrigger> trigger;
  WORD index = 0;
  Check(work->CreateTrigger(&index, trigger.put()), "Task Scheduler error: Failure calling CreateTrigger: ");
  SYSTEMTIME today;
  GetLocalTime(&today);
  TASK_TRIGGER settings{};
  settings.cbTriggerSize = sizeof settings;
  settings.wBeginYear = today.wYear;
  settings.wBeginMonth = today.wMonth;
  settings.wBeginDay = today.wDay;
  settings.wStartHour = static_cast<WORD>(task.hour);
  settings.wStartMinute = static_cast<WORD>(task.minute);
  settings.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
  settings.Type.Weekly.WeeksInterval = 1;
  settings.Type.Weekly.rgfDaysOfTheWeek = task.days;
  Check(trigger->SetTrigger(&settings), "Task Scheduler error: Failure calling SetTrigger: ");

  {
    ComPtr<IPersistFile> file;
    Check(work->QueryInterface(IID_IPersistFile, file.putVoid()),
          "Task Scheduler error: Failure calling QueryInterface to save Trigger: ");
    const HRESULT saved = file->Save(nullptr, TRUE);
    if (FAILED(saved) && IsAccountRejected(saved)) {
      throw SchedulerError("The supplied Windows account information is incorrect.  Details: " +
                           Described(saved));
    }
    Check(saved, "Task Scheduler error: Failure saving trigger: ");
  }
  ComPtr<IPersistFile> file;
  Check(work->QueryInterface(IID_IPersistFile, file.putVoid()),
        "Task Scheduler error: Failure calling QueryInterface to save task: ");
  Check(file->Save(nullptr, TRUE), "Task Scheduler error: Failure saving task: ");
}

bool DeleteScheduledTask(const std::string& name, const std::string&) {
  const std::wstring taskName = Wide(name);
  ComScope com;
  ComPtr<ITaskScheduler> scheduler;
  CreateScheduler(scheduler);
  return SUCCEEDED(scheduler->Delete(taskName.c_str()));
}

bool ReadScheduledTask(const std::string& name, WeeklyTask& task, const std::string&) {
  const std::wstring taskName = Wide(name);
  ComScope com;
  ComPtr<ITaskScheduler> scheduler;
  CreateScheduler(scheduler);
  ComPtr<ITask> work;
  if (FAILED(scheduler->Activate(taskName.c_str(), IID_ITask, work.putUnknown()))) return false;

  task = WeeklyTask();
  // Each text is the scheduler's allocation, freed here.
  auto take = [](HRESULT result, LPWSTR text, std::string& into) {
    if (SUCCEEDED(result)) into = Narrow(text);
    if (text) CoTaskMemFree(text);
  };
  LPWSTR text = nullptr;
  HRESULT result = work->GetApplicationName(&text);
  take(result, text, task.application);
  text = nullptr;
  result = work->GetParameters(&text);
  take(result, text, task.parameters);
  text = nullptr;
  result = work->GetWorkingDirectory(&text);
  take(result, text, task.workingDirectory);
  text = nullptr;
  result = work->GetAccountInformation(&text);
  task.accountReported = SUCCEEDED(result) && text != nullptr && *text != L'\0';
  take(result, text, task.account);

  WORD count = 0;
  if (FAILED(work->GetTriggerCount(&count)) || count == 0) {
    task.days = 0;
    task.triggers = 0;
    return true;
  }
  task.triggers = count;
  ComPtr<ITaskTrigger> trigger;
  TASK_TRIGGER settings{};
  settings.cbTriggerSize = sizeof settings;
  if (FAILED(work->GetTrigger(0, trigger.put())) || FAILED(trigger->GetTrigger(&settings))) {
    task.days = 0;
    return true;
  }
  task.hour = settings.wStartHour;
  task.minute = settings.wStartMinute;
  const bool weekly = settings.TriggerType == TASK_TIME_TRIGGER_WEEKLY;
  task.days = weekly ? settings.Type.Weekly.rgfDaysOfTheWeek : 0;
  task.everyWeeks = weekly ? settings.Type.Weekly.WeeksInterval : 0;
  char date[16];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", settings.wBeginYear, settings.wBeginMonth,
                settings.wBeginDay);
  task.beginDate = date;
  return true;
}

bool MakeOwnerOnlyScript(const std::string&) { return true; }

}  // namespace os
