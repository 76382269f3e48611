note('inserted ran, currentScript ' + (document.currentScript && document.currentScript.getAttribute('src')));
