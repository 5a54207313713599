// The server's access log: a line of JSON on standard error for each answer
// (its time, trace id, route, method, status, milliseconds, the bytes read
// from the wire and sent, the worker that converted), and the note of what
// that line needs, kept for the request the calling thread serves.
//
// Thread-safety: each thread has a note of its own; a line is written whole
// with one call.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace quillet::cli::serve {

struct Note {
  const httplib::Request* request = nullptr;  // the request it is about
  std::string trace;
  int worker = 0;
  uint64_t bytesOut = 0;  // of a result sent from its file
  std::chrono::steady_clock::time_point start;
};

// The note of the request this thread serves.
Note& CurrentNote();
// Begins the note of Req, unless it is begun (a request that asks to
// continue is admitted twice): its trace is the client's Gotenberg-Trace
// when that may be echoed and logged, else a new one.
void BeginNote(const httplib::Request& req);
// Seconds since Req was begun; 0 for a request the note is not about (one
// httplib answered before it was admitted).
double Elapsed(const httplib::Request& req);
// Writes Req's line, its route as the metrics name it, and ends its note.
void LogAnswer(const httplib::Request& req, const httplib::Response& res, const std::string& route, double seconds);

// A client's trace that may be echoed and logged: 1 to 128 printable
// characters, no blank.
bool FitTrace(const std::string& trace);

}  // namespace quillet::cli::serve
