// Turns a case description into a GoogleTest parameter name (letters, digits and "_" only).
#pragma once

#include <string>

namespace qm {

inline std::string TestName(const std::string& what) {
    std::string name;
    for (char c : what) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += alnum ? c : '_';
    }
    return name;
}

}  // namespace qm
