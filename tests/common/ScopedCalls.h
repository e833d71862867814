#pragma once
// Replaces a seam's function table for one scope. Every seam has the same setter: it takes a
// pointer to a table (null: the system's own calls) and gives back the table it replaced, which
// comes back when the scope ends, also when an assertion leaves the test early.
//
//   const CScopedCalls<CpuClockCalls> clock(SetCpuClockCalls, &kFakeClock);
//
// As a fixture member it covers SetUp, the test and TearDown.

template <typename T>
class CScopedCalls
{
public:
    typedef const T* (*Setter)(const T* pCalls);

    CScopedCalls(Setter pSet, const T* pCalls) : m_pSet(pSet), m_pPrevious(pSet(pCalls)) {}
    ~CScopedCalls() { m_pSet(m_pPrevious); }
    CScopedCalls(const CScopedCalls&) = delete;
    CScopedCalls& operator=(const CScopedCalls&) = delete;

    // Another table for the rest of the scope; the end still restores the one found at the start.
    void Install(const T* pCalls) const { m_pSet(pCalls); }
    // The table found at the start (a fake can pass calls on to it).
    const T* Previous() const { return m_pPrevious; }

private:
    Setter m_pSet;
    const T* m_pPrevious;
};
