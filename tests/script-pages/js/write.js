document.write('<p>written by a file, ' + document.getElementsByTagName('script').length
               + ' scripts so far</p>');
