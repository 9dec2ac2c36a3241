#include "shell/MovieCopy.h"

void StartMovieCopy(const cl::AnsiString&)
{
    // The copy thread comes with the movie copy of the player library.
}
