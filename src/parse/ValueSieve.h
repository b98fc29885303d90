#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

class CPdfElement;

// What the reader of one object needs of it. The parser builds the values of the
// dictionary keys a sieve keeps, at every level of the object, and passes over the
// others token by token without building them: values that nobody reads cost no
// memory, however large. The text is read exactly as a full parse reads it.
class ValueSieve {
public:
    virtual ~ValueSieve() = default;
    // Whether a dictionary's value under `key` is built.
    virtual bool keeps(std::string_view key) const = 0;
    // Offered each element of an array held directly under a kept `key`, once
    // parsed, with its place among the elements offered so far. The sieve may
    // change the element; false leaves it out of the array.
    virtual bool keepsElement(std::string_view key, uint32_t index, CPdfElement& element) {
        (void)key, (void)index, (void)element;
        return true;
    }

    // The plain reader of dictionaries, which reads most objects, offers the sieve
    // each kept value of the dictionary's own keys before it adds it there: a sieve
    // that wants a few values for itself takes them (true), and they stay out of
    // the dictionary. Such values count only for the dictionary that reader then
    // reads whole: it tells the sieve when it starts a dictionary and which one it
    // read whole. Every other reader adds all kept values to the dictionary.
    virtual void startDictionary() {}
    virtual bool takes(std::string_view key, CPdfElement& value) {
        (void)key, (void)value;
        return false;
    }
    virtual void dictionaryRead(const CPdfElement& dictionary) { (void)dictionary; }
};

// A sieve that keeps the values of a fixed set of keys, named by string literals.
class KeySieve : public ValueSieve {
public:
    KeySieve(std::initializer_list<std::string_view> keys) : kept(keys) {}
    bool keeps(std::string_view key) const override {
        for (const std::string_view name : kept)
            if (name == key) return true;
        return false;
    }

private:
    std::vector<std::string_view> kept;  // of string literals
};
