// What the files of the QML KorvaneBox share (korvane_box_item.cpp: the
// making, the calls and the signals; korvane_box_properties.cpp;
// korvane_box_rows.cpp; korvane_box_window.cpp): the values QML hands the
// box, checked, and the one way every call reaches the control.
#pragma once

#include <QtQml/qqmlinfo.h>

#include <QPointer>
#include <QVariant>
#include <cmath>
#include <string>

#include "korvane/errors.h"
#include "korvane_box_item.h"
#include "toolkit/qt/conversions.h"

namespace korvane::quick {

namespace detail {

using tk::qt::AssignFromQ;
using tk::qt::FromQ;
using tk::qt::ToQ;

// Whether a value from JavaScript may be a column's text: a string or a
// number; undefined, null and objects are refused.
inline bool IsText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
        case QMetaType::Int:
        case QMetaType::Double:
        case QMetaType::LongLong:
            return true;
        default:
            return false;
    }
}

// A text argument from JavaScript into `out` (whose room is used again).
inline bool TextOf(const QVariant& value, std::string& out) {
    if (!IsText(value))
        return false;
    if (value.typeId() == QMetaType::QString)
        AssignFromQ(*static_cast<const QString*>(value.constData()), out);
    else
        AssignFromQ(value.toString(), out);
    return true;
}

// An item number from JavaScript: a finite number within 32 bits.
inline bool NumberOf(const QVariant& value, std::int32_t& out) {
    if (value.typeId() == QMetaType::Int) {
        out = *static_cast<const int*>(value.constData());
        return true;
    }
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d != std::floor(d) || d < INT32_MIN || d > INT32_MAX)
        return false;
    out = static_cast<std::int32_t>(d);
    return true;
}

}  // namespace detail

// Runs a call of the program: a refusal becomes a QML warning and the
// error properties; then the change signals of what changed.
template <class Work>
bool KorvaneBox::Call(const char* what, Work&& work) {
    QPointer<KorvaneBox> self(this);
    bool done = false;
    ++calls_;
    try {
        work();
        done = true;
    } catch (const RuntimeError& e) {
        if (self != nullptr) {
            error_ = e.Number();
            errorText_ = tk::qt::ToQ(e.Description());
            qmlWarning(this) << what << ": " << errorText_ << " (error " << error_ << ")";
        }
    } catch (const std::exception& e) {
        if (self != nullptr)
            qmlWarning(this) << what << ": " << e.what();
    }
    if (self == nullptr)
        return false;
    --calls_;
    if (done && error_ != 0) {
        error_ = 0;
        errorText_.clear();
        emit errorChanged();
        if (self == nullptr)
            return false;
    } else if (!done) {
        emit errorChanged();
        if (self == nullptr)
            return false;
    }
    Sync();
    return done;
}

}  // namespace korvane::quick
