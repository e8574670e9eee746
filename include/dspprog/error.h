// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The errors the library throws: one base and three kinds. Their what()
// is the programmer's own Russian line (the same one the log shows).

#include <stdexcept>
#include <string>

#include "dspprog/export.h"

namespace dspprog {
inline namespace v0 {

class DSPPROG_API Error : public std::runtime_error {
public:
    explicit Error(const std::string& what);
    ~Error() override;
};

// What the caller gave cannot be used: an option, a file, an image that
// does not fit the chip or is damaged, a chip the catalogue does not know.
// Nothing was sent to the chip.
class DSPPROG_API BadInput : public Error {
public:
    explicit BadInput(const std::string& what);
    ~BadInput() override;
};

// The programmer answered, but the chip did not do what was asked: not
// identified, refused, not erased, written wrong.
class DSPPROG_API ChipFailure : public Error {
public:
    explicit ChipFailure(const std::string& what);
    ~ChipFailure() override;
};

// The programmer was unplugged, cannot be found or opened, or stopped
// answering for longer than the stall policy waits. The object must be
// opened again.
class DSPPROG_API ProgrammerGone : public Error {
public:
    explicit ProgrammerGone(const std::string& what);
    ~ProgrammerGone() override;
};

// The caller cancelled the operation (Programmer::Cancel). The object must
// be opened again: the programmer may be in the middle of a transfer.
class DSPPROG_API Cancelled : public Error {
public:
    explicit Cancelled(const std::string& what);
    ~Cancelled() override;
};

}  // namespace v0
}  // namespace dspprog
