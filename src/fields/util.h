#pragma once
// Text helpers used to split a chosen path (the widget helpers are in widgetutil.h).
#include <QString>
#include <optional>

namespace Util {

// The text without blanks at both ends, its characters in reverse order.
QString ReverseText(const QString &text);

// Hands out the tokens of a text one by one: called with a text, it starts on that text;
// called with the empty text, it goes on with the remainder of the previous call.
// Each character of delimiters ends a token. Gives nothing when the tokens are used up.
// The remainder is shared by all callers.
std::optional<QString> NextToken(const QString &text, const QString &delimiters);

}  // namespace Util
