// The print system's answers through libcups, loaded at run time.
#include "PrintSystem.h"

#include <dlfcn.h>
#include <type_traits>

namespace {

// The parts of the client library's interface used here (stable since CUPS 1.6).
struct cups_option_s {
    char* name;
    char* value;
};
struct cups_dest_s {
    char* name;
    char* instance;
    int is_default;
    int num_options;
    cups_option_s* options;
};
constexpr int IPP_OP_GET_PRINTER_ATTRIBUTES = 0x000B;
constexpr int IPP_TAG_OPERATION = 0x01;
constexpr int IPP_TAG_ZERO = 0x00;
constexpr int IPP_TAG_URI = 0x45;
constexpr int IPP_STATUS_OK_LAST = 0x00FF; // 0x0000-0x00FF are the successful statuses
constexpr int IPP_STATUS_ERROR_NOT_FOUND = 0x0406;

struct TCups {
    cups_dest_s* (*GetNamedDest)(void*, const char*, const char*) = nullptr;
    void (*FreeDests)(int, cups_dest_s*) = nullptr;
    const char* (*GetOption)(const char*, int, cups_option_s*) = nullptr;
    int (*LastError)() = nullptr;
    const char* (*LastErrorString)() = nullptr;
    void* (*NewRequest)(int) = nullptr;
    void* (*AddString)(void*, int, int, const char*, const char*, const char*) = nullptr;
    void* (*DoRequest)(void*, void*, const char*) = nullptr;
    void* (*FindAttribute)(void*, const char*, int) = nullptr;
    const char* (*GetString)(void*, int, const char**) = nullptr;
    void (*Delete)(void*) = nullptr;
    bool Loaded = false;

    static const TCups& Get() {
        static const TCups one = [] {
            TCups c;
            void* lib = dlopen("libcups.so.2", RTLD_NOW | RTLD_GLOBAL);
            if (!lib) return c;
            auto bind = [lib](auto& Fn, const char* Name) {
                Fn = reinterpret_cast<std::remove_reference_t<decltype(Fn)>>(dlsym(lib, Name));
                return Fn != nullptr;
            };
            c.Loaded =
                bind(c.GetNamedDest, "cupsGetNamedDest") && bind(c.FreeDests, "cupsFreeDests") &&
                bind(c.GetOption, "cupsGetOption") && bind(c.LastError, "cupsLastError") &&
                bind(c.LastErrorString, "cupsLastErrorString") &&
                bind(c.NewRequest, "ippNewRequest") && bind(c.AddString, "ippAddString") &&
                bind(c.DoRequest, "cupsDoRequest") && bind(c.FindAttribute, "ippFindAttribute") &&
                bind(c.GetString, "ippGetString") && bind(c.Delete, "ippDelete");
            return c;
        }();
        return one;
    }
};

// The queue's state message ("printer-state-message"), which a refusing queue's operator sets.
QString stateMessage(const TCups& C, const char* Uri) {
    void* request = C.NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    if (!request) return QString();
    C.AddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, Uri);
    void* response = C.DoRequest(nullptr, request, "/"); // frees the request
    if (!response) return QString();
    QString message;
    if (void* a = C.FindAttribute(response, "printer-state-message", IPP_TAG_ZERO))
        message = QString::fromUtf8(C.GetString(a, 0, nullptr)).trimmed();
    C.Delete(response);
    return message;
}

} // namespace

TQueueState QueueState(const QString& Name) {
    TQueueState s;
    const TCups& c = TCups::Get();
    if (!c.Loaded) return s;
    const QByteArray name = Name.toUtf8();
    cups_dest_s* dest = c.GetNamedDest(nullptr, name.constData(), nullptr);
    s.Known = true;
    if (!dest) {
        // no such queue; a server that did not answer says why
        s.Exists = false;
        if (c.LastError() != IPP_STATUS_ERROR_NOT_FOUND)
            s.Reason = QString::fromUtf8(c.LastErrorString());
        return s;
    }
    const char* accepting =
        c.GetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    s.Accepting = !accepting || QByteArray(accepting) != "false";
    if (!s.Accepting)
        if (const char* uri =
                c.GetOption("printer-uri-supported", dest->num_options, dest->options))
            s.Reason = stateMessage(c, uri);
    c.FreeDests(1, dest);
    return s;
}

QString JobRefusal() {
    const TCups& c = TCups::Get();
    if (!c.Loaded || c.LastError() <= IPP_STATUS_OK_LAST) return QString();
    return QString::fromUtf8(c.LastErrorString());
}
