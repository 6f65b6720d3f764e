#pragma once

// A sorted string map, stored as "key=value;key=value".

#include <map>

#include <Alembic/AbcCoreAbstract/Foundation.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class MetaData
			{
			public:
				typedef std::map<std::string, std::string> token_map_type;
				typedef token_map_type::const_iterator const_iterator;

				MetaData() = default;

				// There is no escaping in the file, so ';' and '=' are refused here rather than when writing.
				void set(const std::string& iKey, const std::string& iValue)
				{
					checkToken(iKey);
					checkToken(iValue);
					m_tokens[iKey] = iValue;
				}
				void setUnique(const std::string& iKey, const std::string& iValue)
				{
					auto Found = m_tokens.find(iKey);
					ABCA_ASSERT(Found == m_tokens.end() || Found->second == iValue, "Key: " << iKey << " already exists in MetaData with different value");
					set(iKey, iValue);
				}
				std::string get(const std::string& iKey) const
				{
					auto Found = m_tokens.find(iKey);
					return Found == m_tokens.end() ? std::string() : Found->second;
				}
				std::string getRequired(const std::string& iKey) const
				{
					auto Found = m_tokens.find(iKey);
					ABCA_ASSERT(Found != m_tokens.end(), "Key: " << iKey << " did not exist in MetaData");
					return Found->second;
				}
				void append(const MetaData& iOther)
				{
					for (const auto& [Key, Value] : iOther.m_tokens)
					{
						m_tokens[Key] = Value;
					}
				}
				void appendOnlyUnique(const MetaData& iOther)
				{
					for (const auto& [Key, Value] : iOther.m_tokens)
					{
						m_tokens.emplace(Key, Value);
					}
				}
				void appendUnique(const MetaData& iOther)
				{
					for (const auto& [Key, Value] : iOther.m_tokens)
					{
						setUnique(Key, Value);
					}
				}
				bool matches(const MetaData& iOther) const
				{
					for (const auto& [Key, Value] : iOther.m_tokens)
					{
						if (get(Key) != Value)
						{
							return false;
						}
					}
					return true;
				}
				bool matchesOverlap(const MetaData& iOther) const
				{
					for (const auto& [Key, Value] : iOther.m_tokens)
					{
						auto Found = m_tokens.find(Key);
						if (Found != m_tokens.end() && Found->second != Value)
						{
							return false;
						}
					}
					return true;
				}
				bool matchesExactly(const MetaData& iOther) const { return serialize() == iOther.serialize(); }

				size_t size() const { return m_tokens.size(); }
				const_iterator begin() const { return m_tokens.begin(); }
				const_iterator end() const { return m_tokens.end(); }

				// Pairs with an empty value are left out.
				std::string serialize() const
				{
					std::string Out;
					for (const auto& [Key, Value] : m_tokens)
					{
						if (Value.empty())
						{
							continue;
						}
						if (!Out.empty())
						{
							Out += ';';
						}
						Out += Key;
						Out += '=';
						Out += Value;
					}
					return Out;
				}

				// Lenient on purpose: malformed text stops the parse, it never throws.
				void deserialize(const std::string& iText)
				{
					m_tokens.clear();
					size_t Pos = 0;
					while (Pos < iText.size())
					{
						const size_t Semi = iText.find(';', Pos);
						const size_t Equal = iText.find('=', Pos);
						if (Equal == std::string::npos || (Semi != std::string::npos && Equal > Semi))
						{
							break;
						}
						const size_t End = Semi == std::string::npos ? iText.size() : Semi;
						m_tokens.emplace(iText.substr(Pos, Equal - Pos), iText.substr(Equal + 1, End - Equal - 1));
						if (Semi == std::string::npos)
						{
							break;
						}
						Pos = Semi + 1;
					}
				}

			private:
				static void checkToken(const std::string& iToken)
				{
					ABCA_ASSERT(iToken.find_first_of(";=") == std::string::npos,
					            "Invalid MetaData token: \"" << iToken << "\" contains ';' or '=', which cannot be stored");
				}

				token_map_type m_tokens;
			};

			typedef shared_ptr<MetaData> MetaDataPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
