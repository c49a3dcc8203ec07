#pragma once
// Parts of the program kept out of start-up: the network socket and the sound each live in a
// module beside the program (or, installed, in its library folder), loaded together with their
// libraries the first time they are needed. The window shows without them.

#include <QString>
#include <memory>

namespace orv::qt {

// Calls `factory` of module `file` ("liborvantis_net.so") and returns what it made; null, with
// `error` set, when the module cannot be found or loaded. Looked for in `dir` when one is given,
// else beside the program and then where it is installed.
void* make_from_module(const QString& dir, const QString& file, const char* factory,
                       QString& error);

template <class T>
std::unique_ptr<T> make_from_module(const QString& dir, const QString& file, const char* factory,
                                    QString& error) {
    return std::unique_ptr<T>(static_cast<T*>(make_from_module(dir, file, factory, error)));
}

}  // namespace orv::qt
