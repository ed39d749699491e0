#pragma once
// Process-wide state of the simulated resource manager: the scenario of the moment, the handles it
// gave out, the memory it allocated for callers, the injection counters and the call journal.
// Every function here is thread-safe; none of them blocks for longer than a table look-up.

#include <windows.h>
#include <winscard.h>

#include "Scenario.h"

#include <cstddef>
#include <string>

namespace sim {

// Reads the scenario named by KARDOSKOP_SCENARIO now. No variable or no file: an empty scenario
// (a resource manager without readers). False with `error` set when the file does not parse.
bool LoadScenario(scenario::Scenario& out, std::string& error);

// Counts one call that the injection `key` may hit. True when the injection applies to it and its
// code is not 0; `code` then holds the code to return.
bool Inject(const scenario::Injection& injection, const std::string& key, LONG& code);

SCARDCONTEXT NewContext();
bool IsContext(SCARDCONTEXT hContext);
// Releases the context with its connections and its allocations.
bool ReleaseContext(SCARDCONTEXT hContext);
// Every SCardCancel on a context moves its generation on; waits compare it with the value they
// started with. False for an unknown context.
bool CancelGeneration(SCARDCONTEXT hContext, unsigned& generation);
bool Cancel(SCARDCONTEXT hContext);

struct Connection {
    SCARDCONTEXT context = 0;
    std::string reader;
    DWORD shareMode = 0;
    DWORD protocol = 0;
};
SCARDHANDLE NewConnection(const Connection& connection);
bool FindConnection(SCARDHANDLE hCard, Connection& out);
bool RemoveConnection(SCARDHANDLE hCard);
// SCARD_STATE_INUSE while any connection is open on the reader, plus SCARD_STATE_EXCLUSIVE when
// one of them is exclusive.
DWORD ConnectionBits(const std::string& reader);

// Memory handed out for SCARD_AUTOALLOCATE, owned by the context until SCardFreeMemory.
void* Allocate(SCARDCONTEXT hContext, std::size_t size);
bool Free(void* memory);

// Appends one line to the file named by KARDOSKOP_SIM_JOURNAL, when it is set.
void Journal(const std::string& line);

}  // namespace sim
