// Read in its own charset, KOI8-R: CYRILLIC SMALL LETTER A.
document.getElementById("own").textContent += " Á";
