// The CD tests' disc-image maker, built into these tests too.
#include "../cddb/discimages.cpp"
