#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "TestByteFile.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "parse/PdfParser.h"

// A short text for an element, to compare parse results in tables:
// int:42 real:3.5 str:abc name:Type kw:obj bool:1 null ref:1 0 [int:1 int:2] ...
// A dictionary shows its one-letter keys A to Z: <<A=int:1 B=name:C>>. A stream
// shows the bytes it delivers (and is read to its end).
inline std::string elementText(const CPdfElement& element) {
    char number[64];
    switch (element.type()) {
    case ElementType::Integer:
        return std::string("int:") += std::to_string(element.integer());
    case ElementType::Real:
        std::snprintf(number, sizeof number, "real:%g", element.real());
        return number;
    case ElementType::Boolean:
        return element.boolean() ? "bool:1" : "bool:0";
    case ElementType::String:
        return std::string("str:") + element.text();
    case ElementType::Name:
        return std::string("name:") + element.text();
    case ElementType::Keyword:
        return std::string("kw:") + element.text();
    case ElementType::Reference:
        return std::string("ref:") += std::to_string(element.refNum()) + " " + std::to_string(element.refGen());
    case ElementType::Array: {
        std::string text = "[";
        for (int32_t i = 0; i < element.array()->size(); ++i) {
            CPdfElement item;
            element.array()->atRaw(i, item);
            if (i) text += ' ';
            text += elementText(item);
        }
        return text + "]";
    }
    case ElementType::Null:
        return "null";
    case ElementType::Dictionary: {
        std::string text = "<<";
        for (char key[2] = "A"; key[0] <= 'Z'; ++key[0]) {
            CPdfElement value;
            element.dictionary()->findRaw(key, value);
            if (value.is(ElementType::Null)) continue;
            if (text.size() > 2) text += ' ';
            (text += key) += '=';
            text += elementText(value);
        }
        return text + ">>";
    }
    case ElementType::Stream:
        return std::string("stream:") += readAll(*element.stream());
    case ElementType::Error:
        return "error";
    case ElementType::EndOfFile:
        return "eof";
    default:
        return "none";
    }
}

// Every object of `text` up to the end of input, one elementText each, joined by " | ".
// With `recovering`, by a parser that takes containers left open as closed at
// their object's end.
inline std::string parseAllText(std::string_view text, bool recovering = false) {
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    if (recovering) parser.recoverUnclosedContainers();
    std::string result;
    for (;;) {
        CPdfElement object;
        parser.parseObject(object);
        if (object.is(ElementType::EndOfFile)) return result;
        if (!result.empty()) result += " | ";
        result += elementText(object);
    }
}
