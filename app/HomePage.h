#pragma once

class Desktop;
class RandomSource;

// The product's home page, opened in the user's browser on about one start in a hundred.
inline constexpr char homePageUrl[] = "https://quillmere.example/";

// Draws n from 1 to 100 and opens the home page when n is 7. Returns whether it opened it.
bool maybeOpenHomePage(RandomSource &random, Desktop &desktop);
