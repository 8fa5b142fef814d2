#include "telemetry/client/Endpoint.hpp"

#include "telemetry/client/CurlUploader.hpp"

namespace keepsift::analytics {

std::optional<std::string> endpointURL(const std::string& base,
                                       const std::optional<std::string>& ingestNamespace) {
    std::string url = base;
    if (url.empty() || url.back() != '/') url += '/';
    if (ingestNamespace && !ingestNamespace->empty())
        url += "v2/namespace/" + *ingestNamespace + "/";
    else
        url += "v2/";
    if (!parsesAsURL(url)) return std::nullopt;
    return url;
}

} // namespace keepsift::analytics
