#pragma once
// The one error type of the program: a number, the source that raised it and an English
// description. Components of the sound, effects and MP3 subsystems throw it; windows catch it
// and turn it into a French message.
#include <stdexcept>
#include <string>

class NumberedError : public std::runtime_error {
public:
    NumberedError(long number, std::string source, std::string description)
        : std::runtime_error(description), m_number(number), m_source(std::move(source)),
          m_description(std::move(description)) {}

    long Number() const noexcept { return m_number; }
    const std::string &Source() const noexcept { return m_source; }
    const std::string &Description() const noexcept { return m_description; }

private:
    long m_number;
    std::string m_source;
    std::string m_description;
};
