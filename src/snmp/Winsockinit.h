// Starts the platform's socket library once, before anything uses a socket.
#pragma once

// Returns false when the socket library cannot be used; the program then
// ends at once with exit status 1.
bool StartSockets();
