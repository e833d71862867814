#pragma once
// Local date and time, to the second.

#include <windows.h>
#include <ctime>

class CTime
{
public:
    CTime() = default;
    explicit CTime(time_t t) : m_time(t) {}
    static CTime GetCurrentTime() { return CTime(::time(nullptr)); }

    time_t GetTime() const { return m_time; }
    int GetYear() const { return Local().tm_year + 1900; }
    int GetMonth() const { return Local().tm_mon + 1; }
    int GetDay() const { return Local().tm_mday; }
    int GetHour() const { return Local().tm_hour; }
    int GetMinute() const { return Local().tm_min; }
    int GetSecond() const { return Local().tm_sec; }
    // Seconds from rOther to this time.
    long long operator-(const CTime& rOther) const { return static_cast<long long>(m_time - rOther.m_time); }

private:
    struct tm Local() const
    {
        // msvcrt keeps localtime's result per thread.
        const struct tm* p = ::localtime(&m_time);
        return p ? *p : tm{};
    }
    time_t m_time = 0;
};
