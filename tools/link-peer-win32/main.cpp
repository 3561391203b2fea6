// corvissa-link-peer for Windows: serves DDE conversations through DDEML and reports each one
// on standard output, one line per event, in the same words as the conversation socket's
// peer (docs/PROTOCOL.md); docs/WINDOWS.md tells where the two differ.

#include "core/servicename.h"
#include "peeroptions.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace ostrane::platform::win32;
using ostrane::peer::Clock;
using ostrane::peer::exitFailure;
using ostrane::peer::exitNameTaken;
using ostrane::peer::exitUsage;
using ostrane::peer::Mode;
using ostrane::peer::Options;
using ostrane::peer::printable;

void writeAll(DWORD stream, std::string_view text) {
    const HANDLE handle = ::GetStdHandle(stream);
    while (!text.empty()) {
        DWORD written = 0;
        if (::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ==
                FALSE ||
            written == 0)
            return; // nobody is listening any more; serving goes on
        text.remove_prefix(written);
    }
}

// One write per event, so a reader always sees whole lines without delay.
void event(std::string line) {
    line.push_back('\n');
    writeAll(STD_OUTPUT_HANDLE, line);
}

void complain(const std::string& message) {
    writeAll(STD_ERROR_HANDLE, ostrane::server::complaintLine(ostrane::peer::programName, message));
}

// The command line as UTF-8, so a service name in any script comes through.
std::vector<std::string> arguments() {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return args;
}

// "#N"; appended rather than concatenated, which trips a false -Wrestrict in GCC 12.
std::string connectionTag(unsigned long number) {
    std::string tag = "#";
    tag.append(std::to_string(number));
    return tag;
}

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleStop(DWORD) {
    ::SetEvent(stopEvent);
    return TRUE;
}

// The DDEML server. DDEML's callback carries no context, hence the one instance.
class Peer {
public:
    explicit Peer(Options options) : options_(std::move(options)) { current_ = this; }
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool start();
    void run(std::optional<Clock::time_point> stopAt);

private:
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ first,
                                      HSZ second, HDDEDATA data, ULONG_PTR, ULONG_PTR);
    HDDEDATA onConnect(HSZ topic, HSZ service);
    void onConfirm(HCONV conversation);
    void onDisconnect(HCONV conversation);
    std::string text(HSZ handle) const;
    void waitForStop() const;

    static Peer* current_;
    Options options_;
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    unsigned long accepted_ = 0;
    std::optional<Clock::time_point> stopAt_;
    // Set between a connect that was accepted and its confirmation, which DDEML sends at once.
    std::optional<std::pair<unsigned long, std::string>> confirming_;
    std::map<HCONV, unsigned long> open_;
};

Peer* Peer::current_ = nullptr;

Peer::~Peer() {
    if (instance_ != 0) {
        if (service_ != nullptr) {
            ::DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
            ::DdeFreeStringHandle(instance_, service_);
        }
        ::DdeUninitialize(instance_);
    }
    current_ = nullptr;
}

bool Peer::start() {
    constexpr DWORD serverOnly = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_EXECUTES |
                                 CBF_FAIL_POKES | CBF_FAIL_REQUESTS | CBF_SKIP_REGISTRATIONS |
                                 CBF_SKIP_UNREGISTRATIONS;
    if (::DdeInitializeW(&instance_, callback, serverOnly, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        complain("cannot start DDEML");
        return false;
    }
    const std::wstring service = *wideFromUtf8(options_.service);
    service_ = ::DdeCreateStringHandleW(instance_, service.c_str(), CP_WINUNICODE);
    if (service_ == nullptr ||
        ::DdeNameService(instance_, service_, nullptr, DNS_REGISTER) == nullptr) {
        complain("cannot register the service \"" + printable(options_.service) + "\"");
        return false;
    }
    return true;
}

std::string Peer::text(HSZ handle) const {
    const DWORD length = ::DdeQueryStringW(instance_, handle, nullptr, 0, CP_WINUNICODE);
    std::wstring wide(length + 1, L'\0');
    ::DdeQueryStringW(instance_, handle, wide.data(), length + 1, CP_WINUNICODE);
    wide.resize(length);
    return utf8FromWide(wide);
}

void Peer::waitForStop() const {
    DWORD bound = INFINITE;
    if (stopAt_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*stopAt_ - Clock::now());
        bound = static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    ::WaitForSingleObject(stopEvent, bound);
    ::SetEvent(stopEvent);
}

HDDEDATA Peer::onConnect(HSZ topic, HSZ service) {
    const std::string number = connectionTag(++accepted_);
    const std::string what = ostrane::server::printableConversation(text(service), text(topic));
    switch (options_.mode) {
    case Mode::refuse:
        event("refuse " + number + " " + what);
        return nullptr;
    case Mode::hang:
        // Never answering: this thread stops serving until the peer is told to stop.
        event("hang " + number + " " + what);
        waitForStop();
        return nullptr;
    case Mode::accept:
    case Mode::chatter:
        break;
    }
    confirming_.emplace(accepted_, what);
    return reinterpret_cast<HDDEDATA>(TRUE);
}

void Peer::onConfirm(HCONV conversation) {
    if (!confirming_)
        return;
    open_[conversation] = confirming_->first;
    event("open " + connectionTag(confirming_->first) + " " + confirming_->second);
    confirming_.reset();
}

void Peer::onDisconnect(HCONV conversation) {
    const auto found = open_.find(conversation);
    if (found == open_.end())
        return;
    event("close " + connectionTag(found->second));
    open_.erase(found);
}

HDDEDATA CALLBACK Peer::callback(UINT type, UINT, HCONV conversation, HSZ first, HSZ second,
                                 HDDEDATA, ULONG_PTR, ULONG_PTR) {
    if (current_ == nullptr)
        return nullptr;
    switch (type) {
    case XTYP_CONNECT:
        return current_->onConnect(first, second);
    case XTYP_CONNECT_CONFIRM:
        current_->onConfirm(conversation);
        break;
    case XTYP_DISCONNECT:
        current_->onDisconnect(conversation);
        break;
    default:
        break;
    }
    return nullptr;
}

void Peer::run(std::optional<Clock::time_point> stopAt) {
    stopAt_ = stopAt;
    event("ready " + printable(options_.service));
    for (;;) {
        DWORD bound = INFINITE;
        if (stopAt) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*stopAt - Clock::now());
            if (left.count() <= 0)
                return;
            bound = static_cast<DWORD>(left.count());
        }
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &stopEvent, FALSE, bound, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            return;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

// DDE itself lets two servers register one name; the peer holds a named mutex for the
// name, in lower case as names match, so that a second peer stops instead.
HANDLE claimServiceName(const std::string& service) {
    std::string lower = ostrane::core::lowerCaseServiceName(service);
    for (char& c : lower)
        if (c == '\\')
            c = '/';
    const std::wstring name = L"Local\\corvissa-link-peer:" + *wideFromUtf8(lower);
    const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    if (mutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

} // namespace

int main() {
    const auto invocation = ostrane::peer::parseOptions(
        arguments(),
        ostrane::peer::usage("take each request and never answer",
                             "accept; DDE lets a server send nothing unasked, so as accept"));
    writeAll(STD_OUTPUT_HANDLE, invocation.output);
    writeAll(STD_ERROR_HANDLE, invocation.errors);
    const auto& options = invocation.options;
    if (!options)
        return invocation.status;
    if (!wideFromUtf8(options->service)) {
        complain("the service name is not UTF-8");
        return exitUsage;
    }
    stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr || ::SetConsoleCtrlHandler(onConsoleStop, TRUE) == FALSE) {
        complain("cannot handle stop requests");
        return exitFailure;
    }
    const HANDLE name = claimServiceName(options->service);
    if (name == nullptr) {
        complain("another server already serves \"" + printable(options->service) +
                 "\"; leaving it alone");
        return exitNameTaken;
    }
    const auto stopAt =
        options->stopAfter ? std::optional(Clock::now() + *options->stopAfter) : std::nullopt;
    int result = 0;
    {
        Peer peer(*options);
        if (peer.start())
            peer.run(stopAt);
        else
            result = exitFailure;
    }
    ::CloseHandle(name);
    return result;
}
