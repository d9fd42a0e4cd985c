#pragma once

// Waits until a connected or connecting socket is ready to be read
// (`forWrite` false) or written (true), or `milliseconds` pass. A socket that
// failed (a refused connect, a reset) counts as ready: the next libpq call
// finds out why. One of two small platform files implements it.
enum class SocketReady { Ready, TimedOut, Failed };
SocketReady WaitForSocket(int socket, bool forWrite, int milliseconds);
