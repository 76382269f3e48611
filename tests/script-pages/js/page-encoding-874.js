// Read in the page's encoding, windows-874: THAI CHARACTER KHO KHAI.
document.getElementById("page").textContent += " ¢";
