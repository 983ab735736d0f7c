// Libraries loaded when first needed rather than linked: the PulseAudio client, SDL and xcb.
// Loading them at start-up would cost every start of the game time and memory, and a machine
// without one of them only loses what it gives (sound, controllers, the task-bar hint).
#pragma once

#include <QLibrary>
#include <QLoggingCategory>
#include <QString>
#include <optional>

namespace zelto {

/// Fills the function pointers of an API from a loaded library, each by its own name, and
/// notes whether every one was found.
class SymbolResolver {
public:
    explicit SymbolResolver(QLibrary& library) : library_(library), complete_(library.load()) {}

    template <typename Function>
    void operator()(Function& slot, const char* name) {
        slot = complete_ ? reinterpret_cast<Function>(library_.resolve(name)) : nullptr;
        complete_ = complete_ && slot != nullptr;
    }
    bool complete() const { return complete_; }

private:
    QLibrary& library_;
    bool complete_;
};

/// The function pointers of an API declared from an X-macro list of the library's functions:
/// struct Api { LIST(ZELTO_DECLARE_FUNCTION) };
#define ZELTO_DECLARE_FUNCTION(function) decltype(&::function) function = nullptr;
/// Resolves one of them in loadLibrary's `fill`: LIST(ZELTO_RESOLVE_FUNCTION).
#define ZELTO_RESOLVE_FUNCTION(function) resolve(api.function, #function);

/// Loads the library `name` of major version `version` and fills an Api with `fill(resolve,
/// api)`; nothing, and one line in `category` saying so and what is lost (`without`), when the
/// library or one of its functions is missing. The library stays loaded for the program's life.
template <typename Api, typename Fill>
std::optional<Api> loadLibrary(const QString& name, int version, const QLoggingCategory& category,
                               const char* without, Fill fill) {
    QLibrary library(name, version);
    SymbolResolver resolve(library);
    Api api;
    fill(resolve, api);
    if (resolve.complete())
        return api;
    qCDebug(category, "no usable %s library (%s); %s", qUtf8Printable(name),
            qUtf8Printable(library.errorString()), without);
    return std::nullopt;
}

} // namespace zelto
