note('deferred ran, readyState ' + document.readyState);
