// The site's copy of fflate's browser build.
export * from 'fflate';
