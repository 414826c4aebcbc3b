#include "pptfile/library_log.h"

#include <glib.h>
#include <gsf/gsf-utils.h>

#include <mutex>

namespace pptfile {
namespace {

// A damaged file can make libgsf complain many times; keep the first few.
constexpr std::size_t kMaxKeptMessageBytes = 512;

thread_local std::string t_messages;

void Keep(const char* message) {
    if (message == nullptr || t_messages.size() >= kMaxKeptMessageBytes)
        return;
    if (!t_messages.empty())
        t_messages += "; ";
    t_messages += message;
    if (t_messages.size() > kMaxKeptMessageBytes)
        t_messages.resize(kMaxKeptMessageBytes);
}

void CollectMessage(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* message,
                    gpointer /*data*/) {
    Keep(message);
}

GLogWriterOutput CollectStructured(GLogLevelFlags /*level*/, const GLogField* fields,
                                   gsize n_fields, gpointer /*data*/) {
    for (gsize i = 0; i < n_fields; ++i) {
        if (g_strcmp0(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0) {
            Keep(static_cast<const char*>(fields[i].value));
        }
    }
    return G_LOG_WRITER_HANDLED;
}

}  // namespace

void PrepareCompoundFileLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Messages of the old kind reach the default handler; messages that
        // glib forwards as structured ones reach the writer. Levels that glib
        // treats as fatal (G_LOG_LEVEL_ERROR) still end the process.
        g_log_set_default_handler(CollectMessage, nullptr);
        g_log_set_writer_func(CollectStructured, nullptr, nullptr);
        gsf_init();
    });
}

std::string TakeLibraryMessages() {
    std::string out;
    out.swap(t_messages);
    return out;
}

}  // namespace pptfile
