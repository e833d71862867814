#pragma once
// Told by a worker, on the worker's thread, that its run has ended and with which result. The
// call comes before the worker reports itself finished, and the next start of the worker waits
// for its thread to end: a listener never waits for the engine (or for anything that may wait
// for the worker), it posts or records and returns.

class IWorkerListener
{
public:
    virtual void OnWorkerFinished(int nResult) = 0;

protected:
    ~IWorkerListener() = default;
};
