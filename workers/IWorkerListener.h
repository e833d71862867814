#pragma once
// Told by a worker, on the worker's thread, that its run has ended and with which result.

class IWorkerListener
{
public:
    virtual void OnWorkerFinished(int nResult) = 0;

protected:
    ~IWorkerListener() = default;
};
