note('blocking ran, body ' + (document.body === null ? 'not yet' : 'there'));
