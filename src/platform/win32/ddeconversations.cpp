#include "platform/win32/ddeconversations.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace ostrane::platform::win32 {

namespace {

constexpr std::size_t stringHandleLimit = 255;
// How long the end of the program waits for the DDE thread to end its conversations.
constexpr std::chrono::milliseconds stopBound{2000};

// A client acts on nothing the server sends: every transaction is left unanswered.
HDDEDATA CALLBACK ignoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// Frees a string handle when it goes out of scope.
class StringHandle {
public:
    StringHandle(DWORD instance, const std::wstring& text)
        : instance_(instance),
          handle_(::DdeCreateStringHandleW(instance, text.c_str(), CP_WINUNICODE)) {}
    ~StringHandle() {
        if (handle_ != nullptr)
            ::DdeFreeStringHandle(instance_, handle_);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;

    HSZ get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

// A text a string handle can carry whole, in UTF-16.
std::optional<std::wstring> stringHandleText(std::string_view text) {
    auto wide = wideFromUtf8(text);
    if (!wide || wide->empty() || wide->size() > stringHandleLimit ||
        wide->find(L'\0') != std::wstring::npos)
        return std::nullopt;
    return wide;
}

// The outcome of one open, shared by the caller, who may stop waiting, and the DDE thread.
struct PendingOpen {
    PendingOpen() : settledEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PendingOpen() {
        if (settledEvent != nullptr)
            ::CloseHandle(settledEvent);
    }
    PendingOpen(const PendingOpen&) = delete;
    PendingOpen& operator=(const PendingOpen&) = delete;

    std::mutex mutex;
    std::condition_variable settled;
    // Set with `done`, for a caller that waits on window messages too.
    HANDLE settledEvent;
    bool done = false;
    bool abandoned = false;
    HCONV conversation = nullptr;
};

struct Request {
    enum class Kind { open, close, stop };
    Kind kind;
    std::wstring service;
    std::wstring topic;
    HCONV conversation = nullptr;
    std::shared_ptr<PendingOpen> pending;
};

} // namespace

// The DDE thread: the DDEML instance and every call on it, one request after another in the
// order they were made, pumping messages in between.
class DdeConversations::Client {
public:
    Client() : wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Client() { ::CloseHandle(wake_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void submit(Request request) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(request));
        }
        ::SetEvent(wake_);
    }

    // Runs the requests until told to stop; `started` learns whether DDEML started.
    void run(std::promise<bool>& started);
    void waitUntilFinished(std::chrono::milliseconds bound) { finished_.wait_for(bound); }

private:
    void serve();
    std::optional<Request> next() {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            return std::nullopt;
        Request request = std::move(queue_.front());
        queue_.pop_front();
        return request;
    }
    void open(const Request& request);

    DWORD instance_ = 0;
    HANDLE wake_;
    std::mutex mutex_;
    std::deque<Request> queue_;
    std::promise<void> done_;
    std::shared_future<void> finished_ = done_.get_future().share();
};

void DdeConversations::Client::open(const Request& request) {
    {
        std::lock_guard lock(request.pending->mutex);
        if (request.pending->abandoned)
            return;
    }
    const StringHandle service(instance_, request.service);
    const StringHandle topic(instance_, request.topic);
    const HCONV conversation = service.get() != nullptr && topic.get() != nullptr
                                   ? ::DdeConnect(instance_, service.get(), topic.get(), nullptr)
                                   : nullptr;
    std::lock_guard lock(request.pending->mutex);
    if (request.pending->abandoned) {
        // Nobody waits for it any more: it must not stay open unowned.
        if (conversation != nullptr)
            ::DdeDisconnect(conversation);
        return;
    }
    request.pending->conversation = conversation;
    request.pending->done = true;
    request.pending->settled.notify_all();
    if (request.pending->settledEvent != nullptr)
        ::SetEvent(request.pending->settledEvent);
}

void DdeConversations::Client::run(std::promise<bool>& started) {
    const bool initialised =
        ::DdeInitializeW(&instance_, ignoreTransactions, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR;
    started.set_value(initialised);
    if (initialised)
        serve();
    done_.set_value();
}

void DdeConversations::Client::serve() {
    for (;;) {
        while (auto request = next()) {
            switch (request->kind) {
            case Request::Kind::open:
                open(*request);
                break;
            case Request::Kind::close:
                // A conversation the server has ended already is no longer valid; DDEML then
                // says so and nothing else happens.
                ::DdeDisconnect(request->conversation);
                break;
            case Request::Kind::stop:
                ::DdeUninitialize(instance_);
                return;
            }
        }
        ::MsgWaitForMultipleObjectsEx(1, &wake_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
    }
}

DdeConversations::DdeConversations(std::chrono::milliseconds openTimeout)
    : client_(std::make_shared<Client>()), openTimeout_(openTimeout) {
    auto started = std::make_shared<std::promise<bool>>();
    std::future<bool> initialised = started->get_future();
    std::thread([client = client_, started] { client->run(*started); }).detach();
    initialised_ = initialised.get();
}

DdeConversations::~DdeConversations() {
    client_->submit(Request{Request::Kind::stop, {}, {}, nullptr, nullptr});
    client_->waitUntilFinished(stopBound);
}

namespace {

// Waits for the DDE thread to settle an open while answering the messages other threads send
// to this thread's windows: a connect asks every top-level window for the service, the
// caller's own windows too, and would otherwise wait on the caller that waits on it. Only
// sent messages are handled; input and posted messages wait for the caller's loop.
void waitForOpen(PendingOpen& pending, std::chrono::milliseconds bound) {
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            giveUp - std::chrono::steady_clock::now());
        if (left.count() <= 0 || pending.settledEvent == nullptr)
            return;
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(
            1, &pending.settledEvent, static_cast<DWORD>(left.count()), QS_SENDMESSAGE, 0);
        if (woken != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

bool DdeConversations::initialised() const {
    return initialised_;
}

std::optional<core::Conversation> DdeConversations::open(std::string_view service,
                                                         std::string_view topic) {
    auto serviceText = stringHandleText(service);
    auto topicText = stringHandleText(topic);
    if (!initialised_ || !serviceText || !topicText)
        return std::nullopt;
    auto pending = std::make_shared<PendingOpen>();
    client_->submit(Request{Request::Kind::open, std::move(*serviceText), std::move(*topicText),
                            nullptr, pending});
    waitForOpen(*pending, openTimeout_);
    std::unique_lock lock(pending->mutex);
    if (!pending->settled.wait_for(lock, std::chrono::milliseconds(0),
                                   [&] { return pending->done; })) {
        pending->abandoned = true;
        return std::nullopt;
    }
    if (pending->conversation == nullptr)
        return std::nullopt;
    return core::Conversation{reinterpret_cast<std::uintptr_t>(pending->conversation)};
}

void DdeConversations::close(core::Conversation conversation) {
    if (initialised_)
        client_->submit(Request{
            Request::Kind::close, {}, {}, reinterpret_cast<HCONV>(conversation.handle), nullptr});
}

} // namespace ostrane::platform::win32
